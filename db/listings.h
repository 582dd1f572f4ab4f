#pragma once

#include "db/connection_profile.h"

#include <QString>
#include <QStringList>
#include <functional>

// The read-only listings behind the work window's three lists. Each opens a connection of
// its own and throws db::Error when the connection or the statement fails.
namespace Oracle {

using ItemSink = std::function<void(const QString&)>;

// The most values a preview reads.
inline constexpr int PreviewLimit = 101;

// Calls appendItem once per table of the connected user ("select table_name from
// user_tables" over a client cursor), in the order the database gives them. The sink
// yields to the window system and appends.
void FillTableList(const ConnectionProfile& profile, const ItemSink& appendItem);

// The table's column names in select order, from the description of SELECT * FROM "T"
// (connection Mode read/write, static record set); no row is read.
QStringList ColumnNames(const ConnectionProfile& profile, const QString& table);

// Runs SELECT "F" FROM "T"; once it succeeded calls opened(), then appendValue for each of
// the first PreviewLimit values, a NULL as the empty text.
void ReadPreview(const ConnectionProfile& profile, const QString& table, const QString& column,
                 const std::function<void()>& opened, const ItemSink& appendValue);

} // namespace Oracle
