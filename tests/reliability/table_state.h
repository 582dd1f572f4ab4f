#pragma once

#include "casing/case_rules.h"
#include "support/test_database.h"

#include <QString>
#include <QStringList>

// Test tables made and read through psql, independent of the data layer, to compare a table
// before and after a run.
namespace reliability {

// The name between double quotes, inner quotes doubled; the text between single quotes.
QString Ident(const QString& name);
QString Literal(const QString& text);

// A table (id serial, c text, other text, n numeric, d date, b bytea) of `rows` rows, whose c
// holds "row 0001 Mixed case" and so on: no value stands inside another.
void MakeRowsTable(const testdb::User& user, const QString& table, int rows);

struct TableState {
    QStringList values; // the column under change, by id (a NULL as a null QString)
    QStringList others; // a digest of every other column of each row, by id
};

// The table's rows ordered by its "id" column.
TableState ReadTable(const testdb::User& user, const QString& table, const QString& column);

// Empty when each row holds its old value or exactly its converted one and nothing else
// changed; otherwise the first difference.
QString OldOrConverted(const TableState& before, const TableState& after, Case::CaseMode mode);

// How many rows hold a value that differs from before.
int Changed(const TableState& before, const TableState& after);

// The state a completed run leaves: every value converted, nothing else changed.
TableState Converted(const TableState& before, Case::CaseMode mode);

} // namespace reliability
