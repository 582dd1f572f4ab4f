#include "db/statement.h"

#include "db/odbc_diagnostics.h"

#include <QScopeGuard>
#include <algorithm>

namespace db {

using odbc::Check;

namespace {

// Longer values are bound as long text: Oracle's driver takes a VARCHAR bind up to 4,000
// bytes in the character set it converts to.
constexpr qsizetype LongText = 4000;

// One marker's values laid out for binding by column: a fixed-width slot per set.
struct BoundColumn {
    std::vector<SQLWCHAR> buffer;
    std::vector<SQLLEN> lengths;
    SQLLEN slot = 1; // characters per slot, the terminator included
};

BoundColumn Lay(const ParameterColumn& values) {
    BoundColumn column;
    qsizetype longest = 0;
    for (const QString& value : values)
        longest = std::max(longest, value.size());
    column.slot = static_cast<SQLLEN>(longest + 1);
    column.buffer.assign(values.size() * static_cast<std::size_t>(column.slot), 0);
    column.lengths.resize(values.size());
    for (std::size_t set = 0; set < values.size(); ++set) {
        const QString& value = values[set];
        column.lengths[set] =
            value.isNull() ? SQL_NULL_DATA : static_cast<SQLLEN>(value.size() * sizeof(SQLWCHAR));
        std::copy_n(reinterpret_cast<const SQLWCHAR*>(value.utf16()), value.size(),
                    column.buffer.begin() + static_cast<std::ptrdiff_t>(set) * column.slot);
    }
    return column;
}

SQLPOINTER Number(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

} // namespace

Binding BindingOf(const ParameterType& type, const ParameterColumn& values) {
    qsizetype units = 1, bytes = 1;
    for (const QString& value : values) {
        units = std::max(units, value.size());
        bytes = std::max(bytes, charset::Bytes(type.width, value));
    }
    const bool longForm = bytes > LongText;
    if (type.national)
        return {longForm ? SQL_WLONGVARCHAR : SQL_WVARCHAR, quint64(units)};
    return {longForm ? SQL_LONGVARCHAR : SQL_VARCHAR, quint64(bytes)};
}

Statement::Statement(Connection& connection, const QString& text) : connection_(connection) {
    SQLHDBC dbc = static_cast<SQLHDBC>(connection.handle());
    if (!dbc)
        throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
    SQLHSTMT statement = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement), SQL_HANDLE_DBC, dbc, "SQLAllocHandle",
          dbc);
    // Owned at once: a constructor that throws after this (a prepare the database refuses)
    // frees it too.
    handle_.reset(statement);
    const auto timeout = static_cast<SQLULEN>(std::max(connection.CommandTimeout(), 0));
    Check(SQLSetStmtAttrW(statement, SQL_ATTR_QUERY_TIMEOUT, Number(timeout), 0), SQL_HANDLE_STMT,
          statement, "SQLSetStmtAttr", dbc);
    Check(SQLPrepareW(statement, odbc::Wide(text), static_cast<SQLINTEGER>(text.size())),
          SQL_HANDLE_STMT, statement, "SQLPrepare", dbc);
}

void Statement::Execute(const std::vector<ParameterColumn>& columns) {
    SQLHSTMT statement = handle_.get();
    SQLHDBC dbc = static_cast<SQLHDBC>(connection_.handle());
    const std::size_t sets = columns.empty() ? 1 : columns.front().size();
    affected_ = 0;
    result_ = Recordset();

    std::vector<BoundColumn> bound;
    bound.reserve(columns.size());
    for (std::size_t p = 0; p < columns.size(); ++p) {
        BoundColumn& column = bound.emplace_back(Lay(columns[p]));
        const Binding binding =
            BindingOf(p < types_.size() ? types_[p] : ParameterType{}, columns[p]);
        Check(SQLBindParameter(statement, static_cast<SQLUSMALLINT>(p + 1), SQL_PARAM_INPUT,
                               SQL_C_WCHAR, static_cast<SQLSMALLINT>(binding.sqlType),
                               static_cast<SQLULEN>(binding.size), 0, column.buffer.data(),
                               column.slot * SQLLEN(sizeof(SQLWCHAR)), column.lengths.data()),
              SQL_HANDLE_STMT, statement, "SQLBindParameter", dbc);
    }
    std::vector<SQLUSMALLINT> statuses(sets, SQL_PARAM_UNUSED);
    SQLULEN processed = 0;
    Check(SQLSetStmtAttrW(statement, SQL_ATTR_PARAM_BIND_TYPE, Number(SQL_PARAM_BIND_BY_COLUMN), 0),
          SQL_HANDLE_STMT, statement, "SQLSetStmtAttr", dbc);
    Check(SQLSetStmtAttrW(statement, SQL_ATTR_PARAMSET_SIZE, Number(sets), 0), SQL_HANDLE_STMT,
          statement, "SQLSetStmtAttr", dbc);
    Check(SQLSetStmtAttrW(statement, SQL_ATTR_PARAM_STATUS_PTR, statuses.data(), 0),
          SQL_HANDLE_STMT, statement, "SQLSetStmtAttr", dbc);
    Check(SQLSetStmtAttrW(statement, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_HANDLE_STMT,
          statement, "SQLSetStmtAttr", dbc);
    // The buffers live only for this call.
    const auto unbind = qScopeGuard([statement] {
        SQLFreeStmt(statement, SQL_CLOSE);
        SQLFreeStmt(statement, SQL_RESET_PARAMS);
        SQLSetStmtAttrW(statement, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
        SQLSetStmtAttrW(statement, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
    });

    const auto landed = connection_.Executing(statement);
    SQLRETURN result = SQLExecute(statement);
    // SQL_NO_DATA: nothing matched, and there is no result to read.
    if (result == SQL_NO_DATA)
        return;
    if (!odbc::Succeeded(result) ||
        std::any_of(statuses.begin(), statuses.end(),
                    [](SQLUSMALLINT status) { return status == SQL_PARAM_ERROR; }))
        throw odbc::DiagnosticError(SQL_HANDLE_STMT, statement, "SQLExecute", dbc);
    // A driver with a count per set gives each as a result of its own.
    for (bool first = true;; first = false) {
        SQLLEN count = 0;
        if (odbc::Succeeded(SQLRowCount(statement, &count)) && count > 0)
            affected_ += count;
        SQLSMALLINT resultColumns = 0;
        Check(SQLNumResultCols(statement, &resultColumns), SQL_HANDLE_STMT, statement,
              "SQLNumResultCols", dbc);
        if (resultColumns > 0 && first)
            result_ = Recordset::ReadAll(dbc, statement);
        result = SQLMoreResults(statement);
        if (result == SQL_NO_DATA)
            return;
        if (!odbc::Succeeded(result)) {
            Error error = odbc::DiagnosticError(SQL_HANDLE_STMT, statement, "SQLMoreResults", dbc);
            if (odbc::NoMoreResults(error.sqlState()))
                return;
            throw error;
        }
    }
}

} // namespace db
