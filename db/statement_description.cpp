// Describing a statement's result without running it: Connection::Describe, and the column
// description shared with the record set.
#include "db/statement_description.h"

#include "db/connection.h"
#include "db/odbc_diagnostics.h"

#include <algorithm>
#include <sqlext.h>

namespace db {

using odbc::Check;

namespace odbc {

std::vector<ColumnDescription> DescribeColumns(SQLHSTMT statement, SQLHDBC connection) {
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(statement, &count), SQL_HANDLE_STMT, statement, "SQLNumResultCols",
          connection);
    std::vector<ColumnDescription> columns(
        static_cast<std::size_t>(std::max<SQLSMALLINT>(count, 0)));
    std::vector<SQLWCHAR> name(256);
    const auto described = static_cast<SQLUSMALLINT>(columns.size()); // at most SHRT_MAX
    for (SQLUSMALLINT column = 1; column <= described; ++column) {
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        for (;;) {
            Check(SQLDescribeColW(statement, column, name.data(),
                                  static_cast<SQLSMALLINT>(name.size()), &nameLength, &type, &size,
                                  &digits, &nullable),
                  SQL_HANDLE_STMT, statement, "SQLDescribeCol", connection);
            if (static_cast<std::size_t>(nameLength) < name.size())
                break;
            name.resize(static_cast<std::size_t>(nameLength) + 1);
        }
        columns[column - 1] = ColumnDescription{FromWide(name.data(), nameLength), type};
    }
    return columns;
}

} // namespace odbc

QList<ColumnDescription> Connection::Describe(const QString& statement) {
    const auto connection = static_cast<SQLHDBC>(handle());
    if (connection == SQL_NULL_HDBC)
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    SQLHSTMT handle = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle), SQL_HANDLE_DBC, connection,
          "SQLAllocHandle", connection);
    struct Release {
        SQLHSTMT handle;
        ~Release() {
            // Closed first: psqlODBC frees what describing a prepared statement allocated
            // only at SQL_CLOSE (320 bytes a statement otherwise).
            SQLFreeStmt(handle, SQL_CLOSE);
            SQLFreeHandle(SQL_HANDLE_STMT, handle);
        }
    } release{handle};
    // The prepare may ask the server to parse the statement: it waits as long as a query.
    const auto seconds = static_cast<SQLULEN>(std::max(CommandTimeout(), 0));
    Check(SQLSetStmtAttrW(handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(seconds), 0),
          SQL_HANDLE_STMT, handle, "SQLSetStmtAttr", connection);
    // Prepared, never executed: the driver describes the prepared statement from the
    // server's description of it (psqlODBC: a Parse and Describe round trip, no Bind or
    // Execute), so no row is computed, fetched or sent.
    Check(SQLPrepareW(handle, odbc::Wide(statement), static_cast<SQLINTEGER>(statement.size())),
          SQL_HANDLE_STMT, handle, "SQLPrepare", connection);
    const std::vector<ColumnDescription> columns = odbc::DescribeColumns(handle, connection);
    return QList<ColumnDescription>(columns.begin(), columns.end());
}

} // namespace db
