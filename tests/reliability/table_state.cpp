#include "table_state.h"

namespace reliability {

QString Ident(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString Literal(const QString& text) {
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) +
           QLatin1Char('\'');
}

void MakeRowsTable(const testdb::User& user, const QString& table, int rows) {
    testdb::Exec(
        user,
        QStringLiteral("CREATE TABLE %1 (id serial PRIMARY KEY, c text, other text, "
                       "n numeric, d date, b bytea);"
                       "INSERT INTO %1 (c, other, n, d, b) "
                       "SELECT 'row ' || lpad(g::text, 4, '0') || ' Mixed case', 'Other ' || g, "
                       "g * 1.5, date '2024-01-01' + g, decode(md5(g::text), 'hex') "
                       "FROM generate_series(1, %2) AS g ORDER BY g")
            .arg(Ident(table))
            .arg(rows));
}

TableState ReadTable(const testdb::User& user, const QString& table, const QString& column) {
    const QString from = QStringLiteral(" FROM %1 AS t ORDER BY id").arg(Ident(table));
    return TableState{
        testdb::Column(user, QStringLiteral("SELECT t.%1").arg(Ident(column)) + from),
        testdb::Column(user,
                       QStringLiteral("SELECT md5((to_jsonb(t) - %1)::text)").arg(Literal(column)) +
                           from)};
}

QString OldOrConverted(const TableState& before, const TableState& after, Case::CaseMode mode) {
    if (after.values.size() != before.values.size())
        return QStringLiteral("%1 rows before, %2 after")
            .arg(before.values.size())
            .arg(after.values.size());
    if (after.others != before.others)
        return QStringLiteral("another column changed");
    for (qsizetype i = 0; i < before.values.size(); ++i) {
        const QString& old = before.values[i];
        const QString& now = after.values[i];
        if (now != old && now != Case::Convert(mode, old))
            return QStringLiteral("row %1: '%2' became '%3'").arg(i + 1).arg(old, now);
    }
    return {};
}

int Changed(const TableState& before, const TableState& after) {
    int changed = 0;
    for (qsizetype i = 0; i < before.values.size() && i < after.values.size(); ++i)
        changed += before.values[i] != after.values[i];
    return changed;
}

TableState Converted(const TableState& before, Case::CaseMode mode) {
    TableState converted = before;
    for (QString& value : converted.values) {
        if (!value.isNull())
            value = Case::Convert(mode, value);
    }
    return converted;
}

} // namespace reliability
