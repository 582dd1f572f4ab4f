#include "bench_table.h"

#include "bench_server.h"
#include "db/recordset.h"
#include "db/sql_text.h"
#include "sql_literal.h"

namespace bench {

namespace {

// Word lists of pairwise coprime lengths (37, 26, 41, 29): row i takes entry i mod length of
// each, so the values are distinct for more than a million rows. Mixed case, with quotes,
// hyphens and accented letters as real names and titles have.
const QStringList FirstNames = {
    "anna",    "Bjorn",    "CHLOE",  "dmitri", "Émile",  "fatima", "Grace",  "hiroshi",
    "Ingrid",  "jean-Luc", "KOFI",   "Leila",  "mateo",  "Nadia",  "OLIVER", "Priya",
    "quentin", "Rosa",     "SØREN",  "tomás",  "Ulla",   "viktor", "Wen",    "xavier",
    "YARA",    "zoltán",   "Amélie", "bruno",  "Carmen", "DEVI",   "eamon",  "Freya",
    "gustav",  "Hana",     "IGOR",   "Júlia",  "kai"};
const QStringList LastNames = {
    "mcGregor", "O'Brien", "van der Berg", "DeLuca",    "smith",    "JOHANSSON",  "Müller",
    "nakamura", "Okafor",  "da Silva",     "KOWALSKI",  "Nguyen",   "fitzGerald", "Haddad",
    "d'Arcy",   "PETROV",  "García",       "lindqvist", "MacLeod",  "Abebe",      "Ó Súilleabháin",
    "Rossi",    "chen",    "DUBOIS",       "Kim",       "o'Reilly", "Schmidt",    "ivanova",
    "Patel",    "LAURENT", "Yilmaz",       "Novák",     "brennan",  "Andersen",   "Costa",
    "HUGHES",   "le Roux", "Zhang",        "Moreau",    "ÅSTRÖM",   "Kaczmarek"};
const QStringList Titles = {"senior Data analyst",
                            "Head of SALES",
                            "chief executive Officer",
                            "Director, Children's Services",
                            "lead UX designer",
                            "Account Manager (EMEA)",
                            "nurse practitioner",
                            "Professor of medieval History",
                            "the Old Man and the sea",
                            "a Tale of two Cities",
                            "WAR AND PEACE",
                            "pride & Prejudice",
                            "one hundred Years of solitude",
                            "Site reliability engineer",
                            "VP, Customer success",
                            "junior accountant",
                            "Things Fall Apart",
                            "the master and Margarita",
                            "Payroll & benefits Officer",
                            "Head Chef",
                            "crime and punishment",
                            "Operations coordinator",
                            "THE GREAT GATSBY",
                            "Regional manager - north",
                            "to kill a Mockingbird",
                            "Principal Software Engineer",
                            "don Quixote",
                            "Community outreach LEAD",
                            "the Brothers Karamazov"};

QString ArrayLiteral(const QStringList& words) {
    QStringList quoted;
    for (const QString& word : words)
        quoted.append(QLatin1Char('\'') + EscapeLiteral(word) + QLatin1Char('\''));
    return QStringLiteral("ARRAY[") + quoted.join(QLatin1Char(',')) + QLatin1Char(']');
}

// "first X. last, title" for row i.
QString ValueExpression() {
    return QStringLiteral("(%1)[1 + i % %2] || ' ' || chr(65 + i % 26) || '. ' || "
                          "(%3)[1 + i % %4] || ', ' || (%5)[1 + i % %6]")
        .arg(ArrayLiteral(FirstNames), QString::number(FirstNames.size()), ArrayLiteral(LastNames),
             QString::number(LastNames.size()), ArrayLiteral(Titles),
             QString::number(Titles.size()));
}

QString JoinOn(const QString& left, const QString& right) {
    return QStringLiteral("%1 l FULL JOIN %2 r USING (id) WHERE l.%3 IS DISTINCT FROM r.%3")
        .arg(QuoteIdentifier(left), QuoteIdentifier(right), QuoteIdentifier(NameColumn));
}

} // namespace

void CreateFilledTable(db::Connection& connection, const QString& table, int rows, bool indexed) {
    const QString quoted = QuoteIdentifier(table);
    const QString column = QuoteIdentifier(NameColumn);
    connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + quoted);
    connection.Execute(QStringLiteral("CREATE TABLE %1 (id integer PRIMARY KEY, %2 varchar(200))")
                           .arg(quoted, column));
    connection.Execute(QStringLiteral("INSERT INTO %1 (id, %2) SELECT i, %3 "
                                      "FROM generate_series(1, %4) AS g(i)")
                           .arg(quoted, column, ValueExpression(), QString::number(rows)));
    if (indexed)
        connection.Execute(
            QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                .arg(QuoteIdentifier(table + QStringLiteral("_name")), quoted, column));
    connection.Execute(QStringLiteral("ANALYZE ") + quoted);
}

qint64 CountDifferences(db::Connection& connection, const QString& left, const QString& right) {
    return Scalar(connection, QStringLiteral("SELECT count(*) FROM ") + JoinOn(left, right))
        .toLongLong();
}

QStringList SampleDifferences(db::Connection& connection, const QString& left, const QString& right,
                              int limit) {
    const QString column = QuoteIdentifier(NameColumn);
    db::Recordset records = connection.Execute(
        QStringLiteral("SELECT id || ': ' || coalesce(l.%1, '<none>') || ' | ' || "
                       "coalesce(r.%1, '<none>') FROM %2 ORDER BY id LIMIT %3")
            .arg(column, JoinOn(left, right), QString::number(limit)));
    QStringList lines;
    for (; !records.Eof(); records.MoveNext())
        lines.append(records.GetFields()[0].Value().toString());
    return lines;
}

double MeanLength(db::Connection& connection, const QString& table) {
    return Scalar(connection, QStringLiteral("SELECT avg(length(%1)) FROM %2")
                                  .arg(QuoteIdentifier(NameColumn), QuoteIdentifier(table)))
        .toDouble();
}

} // namespace bench
