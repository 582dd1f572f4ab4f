#pragma once

#include <QString>
#include <sql.h>
#include <vector>

namespace db {

// One column of a statement's result as the driver describes it.
struct ColumnDescription {
    QString name;
    // The SQL data type (SQL_VARCHAR, SQL_INTEGER ...).
    int sqlType = 0;
};

namespace odbc {

// The result columns of the statement prepared or executed on the handle, in select order
// (SQLNumResultCols, SQLDescribeColW); fetches nothing. Throws db::Error.
std::vector<ColumnDescription> DescribeColumns(SQLHSTMT statement, SQLHDBC connection);

} // namespace odbc

} // namespace db
