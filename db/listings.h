#pragma once

#include "db/connection.h"
#include "db/connection_profile.h"

#include <QString>
#include <QStringList>
#include <functional>

// The read-only listings behind the work window's three lists. They throw db::Error when a
// connection or a statement fails.
namespace Oracle {

using ItemSink = std::function<void(const QString&)>;

// The most values a preview reads.
inline constexpr int PreviewLimit = 101;

// Calls appendItem once per table of the connected user ("select table_name from
// user_tables" over a client cursor on a connection of its own), in the order the
// database gives them. The sink yields to the window system and appends.
void FillTableList(const ConnectionProfile& profile, const ItemSink& appendItem);

// Opens a connection for the column listing or the preview: Mode read/write, ODBC form.
void OpenForListing(db::Connection& connection, const ConnectionProfile& profile);

// The table's column names in select order, from the description of SELECT * FROM "T"
// prepared on the open connection and never executed (Connection::Describe): no row is
// read, however wide the rows or large the table, and a row that cannot be read is no
// obstacle.
QStringList ColumnNames(db::Connection& connection, const QString& table);

// Runs SELECT "F" FROM "T" (static/optimistic) on the open connection; once it succeeded
// calls opened(), then appendValue for each of the first PreviewLimit values, a NULL as the
// empty text.
void ReadPreview(db::Connection& connection, const QString& table, const QString& column,
                 const std::function<void()>& opened, const ItemSink& appendValue);

} // namespace Oracle
