#pragma once

#include "db/dialect/dialect.h"

// What the database's catalogue says of a table before a run reads or writes it, through the
// dialect's statements.
namespace db {

// The table's object id on the server (TableKeyStatement), empty where the database has none:
// a table dropped and made anew under the same name has another.
QString ReadTableKey(Connection& connection, const Dialect& dialect, const QString& table);

// Reads the facts of a column through FactsStatement; unknown where the database has none.
ColumnFacts ReadColumnFacts(Connection& connection, const Dialect& dialect, const QString& table,
                            const QString& column);

// The table's size before a read, through SizeStatement or a count.
TableSize EstimateRows(Connection& connection, const Dialect& dialect, const QString& table);

} // namespace db
