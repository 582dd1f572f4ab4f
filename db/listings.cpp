#include "db/listings.h"

#include "db/recordset.h"
#include "db/sql_text.h"
#include "db/statement_description.h"
#include "db/values.h"

namespace Oracle {

namespace {

QString TextOf(const db::Recordset& records) {
    return NullToDefault(records.GetFields()[0].Value(), QString()).toString();
}

} // namespace

void FillTableList(const ConnectionProfile& profile, const ItemSink& appendItem) {
    db::Connection connection;
    db::Recordset records;
    connection.SetCursorLocation(db::adUseClient);
    connection.Open(OdbcConnectionString(profile));
    records = connection.Execute(QStringLiteral("select table_name from user_tables"));
    // The count read once drives the loop, not Eof.
    const int count = records.RecordCount();
    for (int i = 1; i <= count; ++i) {
        appendItem(TextOf(records));
        records.MoveNext();
    }
    records.Close();
    connection.Close();
}

void OpenForListing(db::Connection& connection, const ConnectionProfile& profile) {
    connection.SetMode(db::adModeReadWrite);
    connection.Open(OdbcConnectionString(profile));
}

QStringList ColumnNames(db::Connection& connection, const QString& table) {
    QStringList names;
    for (const db::ColumnDescription& column : connection.Describe(SelectAllStatement(table)))
        names.append(column.name);
    return names;
}

void ReadPreview(db::Connection& connection, const QString& table, const QString& column,
                 const std::function<void()>& opened, const ItemSink& appendValue) {
    db::Recordset records;
    records.Open(SelectColumnStatement(table, column), connection, db::adOpenStatic,
                 db::adLockOptimistic);
    opened();
    for (int count = 0; !records.Eof();) {
        appendValue(TextOf(records));
        records.MoveNext();
        if (++count >= PreviewLimit)
            break;
    }
    records.Close();
}

} // namespace Oracle
