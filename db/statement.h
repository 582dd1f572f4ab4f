#pragma once

#include "db/connection.h"
#include "db/recordset.h"

#include <QString>
#include <vector>

namespace db {

// The values of one parameter marker, one per parameter set; a null QString is NULL.
using ParameterColumn = std::vector<QString>;

// A statement prepared once and executed many times, every value bound as wide text
// (SQL_C_WCHAR): values never stand in the statement's text, whatever their length or
// characters. One execution sends an array of parameter sets.
class Statement {
public:
    // Prepares the text on the open connection, with the connection's query time-out.
    // Throws db::Error.
    Statement(Connection& connection, const QString& text);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Runs the statement once for each parameter set: columns[p][s] is marker p's value in
    // set s; every column holds the same number of values, at least one. Throws db::Error
    // when the database refuses the statement or any of its sets.
    void Execute(const std::vector<ParameterColumn>& columns);

    // Rows the last execution changed, summed over its parameter sets.
    qint64 RowsAffected() const { return affected_; }
    // The rows the last execution returned (a query, RETURNING), read whole; an empty record
    // set when it returned none.
    Recordset& Result() { return result_; }

private:
    Connection& connection_;
    void* handle_ = nullptr;
    qint64 affected_ = 0;
    Recordset result_;
};

} // namespace db
