#include "db/dialect/dialect.h"

#include "db/connection.h"
#include "db/odbc_diagnostics.h"
#include "db/recordset.h"
#include "db/sql_text.h"

#include <algorithm>

namespace db {

namespace {

QString Literal(const QString& text) {
    return QLatin1Char('\'') + EscapeLiteral(text) + QLatin1Char('\'');
}

// PostgreSQL row identities: "=" and the primary key's value, or "tableoid:ctid" (a ctid
// is unique only within one partition).
constexpr QLatin1Char KeyMark('=');

bool IsKeyIdentity(const QString& id) {
    return id.startsWith(KeyMark);
}

// The guard's value as the column's type compares it: CHAR values without their padding.
QString Guard(const QString& value, bool fixedWidth) {
    return fixedWidth ? QStringLiteral("CAST(%1 AS bpchar)").arg(value) : value;
}

// An array literal of texts, each element quoted, for CAST('{...}' AS type[]): one pass
// that escapes for the array ("\\" and "\"") and for the SQL literal ("''") at once.
QString ArrayLiteral(const std::vector<QString>& elements) {
    qsizetype length = 3;
    for (const QString& element : elements)
        length += element.size() + 3;
    QString array;
    array.reserve(length + length / 8);
    array += QLatin1String("'{");
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            array += QLatin1Char(',');
        array += QLatin1Char('"');
        for (const QChar c : elements[i]) {
            if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
                array += QLatin1Char('\\');
            else if (c == QLatin1Char('\''))
                array += QLatin1Char('\'');
            array += c;
        }
        array += QLatin1Char('"');
    }
    array += QLatin1String("}'");
    return array;
}

QString TypedArray(const std::vector<QString>& elements, const QString& type) {
    return QLatin1String("CAST(") + ArrayLiteral(elements) + QLatin1String(" AS ") + type +
           QLatin1String("[])");
}

} // namespace

Dialect Dialect::Of(Connection& connection, const QString& table) {
    SQLWCHAR buffer[128] = {};
    SQLSMALLINT length = 0;
    odbc::Check(SQLGetInfoW(connection.handle(), SQL_DBMS_NAME, buffer, sizeof buffer, &length),
                SQL_HANDLE_DBC, connection.handle(), "SQLGetInfo");
    const QString name = odbc::FromWide(buffer, length / qsizetype(sizeof(SQLWCHAR)));
    if (name.contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return Dialect(Dbms::Oracle);
    if (!name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return Dialect(Dbms::Other);
    const Dialect dialect(Dbms::PostgreSQL);
    if (table.isEmpty())
        return dialect;
    Recordset key = connection.Execute(dialect.KeyStatement(table));
    if (key.Eof())
        return dialect;
    return dialect.WithKey(key.GetFields()[0].Value().toString(),
                           key.GetFields()[1].Value().toString());
}

Dialect Dialect::WithKey(const QString& column, const QString& type) const {
    Dialect keyed = *this;
    keyed.keyColumn_ = column;
    keyed.keyType_ = type;
    return keyed;
}

bool Dialect::CanWrite(const QString& id) const {
    return !IsKeyIdentity(id) || !keyColumn_.isEmpty();
}

QString Dialect::KeyStatement(const QString& table) const {
    return QLatin1String("SELECT a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_index "
                         "i JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = "
                         "i.indkey[0] WHERE i.indisprimary AND i.indnatts = 1 AND i.indrelid = "
                         "to_regclass(") +
           Literal(QuoteIdentifier(table)) + QLatin1Char(')');
}

QString Dialect::CountStatement(const QString& table) const {
    return QLatin1String("SELECT COUNT(*) FROM ") + QuoteIdentifier(table);
}

QString Dialect::ReadStatement(const QString& table, const QString& column) const {
    const QString from = QLatin1String(" FROM ") + QuoteIdentifier(table);
    switch (dbms_) {
    case Dbms::Oracle:
        return QLatin1String("SELECT ") + QuoteIdentifier(column) +
               QLatin1String(", ROWIDTOCHAR(ROWID)") + from;
    case Dbms::PostgreSQL:
        return QLatin1String("SELECT ") + QuoteIdentifier(column) +
               QLatin1String(", CAST(tableoid AS text) || ':' || CAST(ctid AS text)") + from;
    case Dbms::Other:
        break;
    }
    return SelectColumnStatement(table, column);
}

QString Dialect::DescribeStatement(const QString& table, const QString& column) const {
    return SelectColumnStatement(table, column) + QLatin1String(" WHERE 1 = 0");
}

QString Dialect::TableKeyStatement(const QString& table) const {
    switch (dbms_) {
    case Dbms::Oracle:
        return QLatin1String("SELECT OBJECT_ID FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE' "
                             "AND OBJECT_NAME = ") +
               Literal(table);
    case Dbms::PostgreSQL:
        return QLatin1String("SELECT CAST(CAST(to_regclass(") + Literal(QuoteIdentifier(table)) +
               QLatin1String(") AS oid) AS text)");
    case Dbms::Other:
        break;
    }
    return QLatin1String("SELECT '' FROM ") + QuoteIdentifier(table) +
           QLatin1String(" WHERE 1 = 0");
}

QString Dialect::GroupWriteStatement(const QString& table, const QString& column, bool fixedWidth,
                                     const std::vector<RowWrite>& rows) const {
    const QString quotedTable = QuoteIdentifier(table);
    const QString quotedColumn = QuoteIdentifier(column);
    QString statement;
    switch (dbms_) {
    case Dbms::PostgreSQL: {
        // The table joined to the group's rows, passed as arrays (cheaper for the server to
        // read than a VALUES list), by identity: a TID scan per row, or the primary key's
        // index. A row is written where it still holds its old value; each written row is
        // returned with its place in the group and its identity after the write.
        std::vector<QString> ids, rels, guards, values;
        const bool keyed = IsKeyIdentity(rows.front().id);
        for (const RowWrite& row : rows) {
            const qsizetype colon = row.id.indexOf(QLatin1Char(':'));
            ids.push_back(keyed ? row.id.mid(1) : row.id.mid(colon + 1));
            rels.push_back(row.id.left(colon));
            guards.push_back(row.guard);
            values.push_back(row.value);
        }
        // A table that is not partitioned has one tableoid.
        const bool oneRelation =
            keyed || std::all_of(rels.begin(), rels.end(),
                                 [&](const QString& rel) { return rel == rels.front(); });
        statement =
            QLatin1String("UPDATE ") + quotedTable + QLatin1String(" AS t SET ") + quotedColumn +
            QLatin1String(" = v.n FROM unnest(") +
            TypedArray(ids, keyed ? keyType_ : QStringLiteral("tid")) +
            (oneRelation ? QString() : QLatin1Char(',') + TypedArray(rels, QStringLiteral("oid"))) +
            QLatin1Char(',') + TypedArray(guards, QStringLiteral("text")) + QLatin1Char(',') +
            TypedArray(values, QStringLiteral("text")) + QLatin1String(") WITH ORDINALITY AS v(") +
            (oneRelation ? QStringLiteral("id, o, n, i) WHERE ")
                         : QStringLiteral("id, rel, o, n, i) WHERE "));
        if (keyed)
            statement +=
                QLatin1String("t.") + QuoteIdentifier(keyColumn_) + QLatin1String(" = v.id");
        else
            statement += QLatin1String("t.ctid = v.id AND t.tableoid = ") +
                         (oneRelation ? QStringLiteral("CAST(%1 AS oid)").arg(Literal(rels.front()))
                                      : QStringLiteral("v.rel"));
        statement += QLatin1String(" AND t.") + quotedColumn + QLatin1String(" = ") +
                     Guard(QStringLiteral("v.o"), fixedWidth) + QLatin1String(" RETURNING v.i, ");
        // Undo finds a row by its primary key, which a write does not move.
        if (!keyColumn_.isEmpty())
            return statement + QLatin1String("'=' || CAST(t.") + QuoteIdentifier(keyColumn_) +
                   QLatin1String(" AS text)");
        return statement + QLatin1String("CAST(t.tableoid AS text) || ':' || CAST(t.ctid AS text)");
    }
    case Dbms::Oracle: {
        // MERGE keyed by ROWID; the old-value guard sits in the update's own WHERE, since a
        // MERGE may not update a column its ON clause names.
        statement = QLatin1String("MERGE INTO ") + quotedTable + QLatin1String(" t USING (");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (i > 0)
                statement += QLatin1String(" UNION ALL ");
            statement += QLatin1String("SELECT CHARTOROWID(") + Literal(rows[i].id) +
                         QLatin1String(") rid, ") + Literal(rows[i].guard) + QLatin1String(" o, ") +
                         Literal(rows[i].value) + QLatin1String(" n FROM DUAL");
        }
        statement += QLatin1String(") v ON (t.ROWID = v.rid) WHEN MATCHED THEN UPDATE SET t.") +
                     quotedColumn + QLatin1String(" = v.n WHERE t.") + quotedColumn +
                     QLatin1String(" = v.o");
        return statement;
    }
    case Dbms::Other:
        break;
    }
    // Without row identity there is no group form: each row is written by itself.
    return {};
}

QString Dialect::RowWriteStatement(const QString& table, const QString& column, bool fixedWidth,
                                   const RowWrite& row) const {
    if (dbms_ == Dbms::PostgreSQL)
        return GroupWriteStatement(table, column, fixedWidth, {row});
    if (dbms_ == Dbms::Other)
        return AssignWhereEqualStatement(table, column, EscapeLiteral(row.guard),
                                         EscapeLiteral(row.value));
    const QString quotedColumn = QuoteIdentifier(column);
    return QLatin1String("UPDATE ") + QuoteIdentifier(table) + QLatin1String(" SET ") +
           quotedColumn + QLatin1String(" = ") + Literal(row.value) +
           QLatin1String(" WHERE ROWID = CHARTOROWID(") + Literal(row.id) +
           QLatin1String(") AND ") + quotedColumn + QLatin1String(" = ") + Literal(row.guard);
}

bool Dialect::NamesMissingObject(const QString& sqlState, const QString& description) const {
    // PostgreSQL: undefined table, undefined column; Oracle: ORA-00942 (table or view does
    // not exist), ORA-00904 (invalid identifier).
    return sqlState == QLatin1String("42P01") || sqlState == QLatin1String("42703") ||
           description.contains(QLatin1String("ORA-00942")) ||
           description.contains(QLatin1String("ORA-00904"));
}

} // namespace db
