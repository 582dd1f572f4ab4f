#include "expected_table.h"

#include "bench_table.h"
#include "db/recordset.h"
#include "db/sql_text.h"
#include "sql_literal.h"

namespace bench {

void CreateExpectedTable(db::Connection& connection, const QString& source, const QString& expected,
                         Case::CaseMode mode, int slice) {
    const QString column = QuoteIdentifier(NameColumn);
    const QString target = QuoteIdentifier(expected);
    connection.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + target);
    connection.Execute(QStringLiteral("CREATE TABLE %1 (id integer PRIMARY KEY, %2 varchar(200))")
                           .arg(target, column));
    qint64 last = 0;
    for (;;) {
        // Keyset slices: each query starts after the last id of the one before.
        db::Recordset records = connection.Execute(
            QStringLiteral("SELECT id, %1 FROM %2 WHERE id > %3 ORDER BY id LIMIT %4")
                .arg(column, QuoteIdentifier(source), QString::number(last),
                     QString::number(slice)));
        QStringList rows;
        for (; !records.Eof(); records.MoveNext()) {
            const db::Fields& fields = records.GetFields();
            last = fields[0].Value().toLongLong();
            const QVariant& value = fields[1].Value();
            rows.append(value.isValid()
                            ? QStringLiteral("(%1,'%2')")
                                  .arg(last)
                                  .arg(EscapeLiteral(Case::Convert(mode, value.toString())))
                            : QStringLiteral("(%1,NULL)").arg(last));
        }
        if (rows.isEmpty())
            return;
        connection.Execute(QStringLiteral("INSERT INTO %1 (id, %2) VALUES ").arg(target, column) +
                           rows.join(QLatin1Char(',')));
    }
}

} // namespace bench
