#pragma once

#include "db/charset.h"
#include "db/connection.h"
#include "db/recordset.h"

#include <QString>
#include <vector>

namespace db {

// The values of one parameter marker, one per parameter set; a null QString is NULL.
using ParameterColumn = std::vector<QString>;

// How one marker's values are bound: as national text (SQL_WVARCHAR: NCHAR, NVARCHAR2) or as
// text of the database character set (SQL_VARCHAR: CHAR, VARCHAR2, ROWID text), the data
// always wide; and the width of the set the database converts them to, which decides the
// long form by the bytes a value takes there.
struct ParameterType {
    bool national = true;
    charset::Width width = charset::Width::Unknown;
};

// The SQL type and size a marker's values are bound with.
struct Binding {
    int sqlType = 0;
    quint64 size = 0;
};
Binding BindingOf(const ParameterType& type, const ParameterColumn& values);

// A statement prepared once and executed many times, every value bound as wide text
// (SQL_C_WCHAR): values never stand in the statement's text, whatever their length or
// characters. One execution sends an array of parameter sets.
class Statement {
public:
    // Prepares the text on the open connection, with the connection's query time-out.
    // Throws db::Error.
    Statement(Connection& connection, const QString& text);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Runs the statement once for each parameter set: columns[p][s] is marker p's value in
    // set s; every column holds the same number of values, at least one. Throws db::Error
    // when the database refuses the statement or any of its sets.
    void Execute(const std::vector<ParameterColumn>& columns);
    // The types the markers are bound with from now on, in order; markers beyond them (all,
    // unless set) are bound as national text.
    void SetParameterTypes(std::vector<ParameterType> types) { types_ = std::move(types); }

    // Rows the last execution changed, summed over its parameter sets.
    qint64 RowsAffected() const { return affected_; }
    // The rows the last execution returned (a query, RETURNING), read whole; an empty record
    // set when it returned none.
    Recordset& Result() { return result_; }

private:
    Connection& connection_;
    StatementHandle handle_;
    std::vector<ParameterType> types_;
    qint64 affected_ = 0;
    Recordset result_;
};

} // namespace db
