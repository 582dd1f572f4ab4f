#include "db/connection.h"

#include "db/connection_string.h"
#include "db/odbc_diagnostics.h"
#include "db/recordset.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace db {

using odbc::Check;
using odbc::Wide;

namespace {

const QString ClosedMessage = QStringLiteral("Operation is not allowed when the object is closed.");

SQLPOINTER Seconds(int seconds) {
    return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(seconds, 0)));
}

} // namespace

struct Connection::Handles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;
    bool connected = false;
    // A statement handle kept between statements, so that a run of one statement per row
    // does not allocate a handle per row.
    SQLHSTMT spare = SQL_NULL_HSTMT;
    // The query time-out the spare handle carries, so that it is set again only on a change.
    int spareTimeout = -1;
    // Statement handles held by streaming record sets; freed here before disconnecting.
    std::shared_ptr<std::vector<void*>> live = std::make_shared<std::vector<void*>>();

    Handles() = default;
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;

    ~Handles() {
        for (void* statement : *live)
            SQLFreeHandle(SQL_HANDLE_STMT, statement);
        live.reset();
        if (spare != SQL_NULL_HSTMT)
            SQLFreeHandle(SQL_HANDLE_STMT, spare);
        if (connected)
            SQLDisconnect(connection);
        if (connection != SQL_NULL_HDBC)
            SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }

    SQLHSTMT TakeStatement(int timeoutSeconds) {
        SQLHSTMT statement = spare;
        const bool timeoutSet = statement != SQL_NULL_HSTMT && spareTimeout == timeoutSeconds;
        spare = SQL_NULL_HSTMT;
        spareTimeout = -1;
        if (statement == SQL_NULL_HSTMT)
            Check(SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement), SQL_HANDLE_DBC,
                  connection, "SQLAllocHandle", connection);
        StatementHandle owned(statement);
        if (!timeoutSet)
            Check(SQLSetStmtAttrW(statement, SQL_ATTR_QUERY_TIMEOUT, Seconds(timeoutSeconds), 0),
                  SQL_HANDLE_STMT, statement, "SQLSetStmtAttr");
        return owned.release();
    }

    // Keeps the handle, with the time-out it carries, for the next statement. A statement
    // that left no result set (an UPDATE) has no cursor to close: the next execution on the
    // handle may follow at once.
    void GiveBack(SQLHSTMT statement, int timeoutSeconds, bool hasResult = true) {
        if (hasResult)
            SQLFreeStmt(statement, SQL_CLOSE);
        if (spare == SQL_NULL_HSTMT) {
            spare = statement;
            spareTimeout = timeoutSeconds;
        } else {
            SQLFreeHandle(SQL_HANDLE_STMT, statement);
        }
    }
};

void FreeStatement::operator()(void* statement) const noexcept {
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
}

Connection::Connection() = default;

Connection::~Connection() = default;

void Connection::Open() {
    Open(connectionString_);
}

void Connection::Open(const QString& connectionString) {
    handles_.reset();
    auto handles = std::make_unique<Handles>();
    if (!odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->environment)))
        throw Error(QStringLiteral("The ODBC driver manager could not be initialised."));
    SQLHENV environment = handles->environment;
    Check(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                        reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, environment, "SQLSetEnvAttr");
    Check(SQLAllocHandle(SQL_HANDLE_DBC, environment, &handles->connection), SQL_HANDLE_ENV,
          environment, "SQLAllocHandle");

    SQLHDBC connection = handles->connection;
    // Best effort: Oracle's driver is documented not to support a login time-out.
    SQLSetConnectAttrW(connection, SQL_ATTR_LOGIN_TIMEOUT, Seconds(connectionTimeout_), 0);
    Check(SQLSetConnectAttrW(
              connection, SQL_ATTR_AUTOCOMMIT,
              reinterpret_cast<SQLPOINTER>(autoCommit_ ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF),
              0),
          SQL_HANDLE_DBC, connection, "SQLSetConnectAttr");

    const QString odbcForm = OdbcFormOf(connectionString);
    // The API passes the string's length as a 16-bit count, and a driver that works in UTF-8
    // (psqlODBC) counts the bytes: a longer string overflows it and crashes the driver.
    if (odbcForm.toUtf8().size() > std::numeric_limits<SQLSMALLINT>::max())
        throw Error(QStringLiteral("The connection string is too long (more than 32,767 bytes)."));
    Check(SQLDriverConnectW(connection, nullptr, Wide(odbcForm), SQL_NTS, nullptr, 0, nullptr,
                            SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, connection, "SQLDriverConnect");
    handles->connected = true;
    handles_ = std::move(handles);
}

Recordset Connection::Execute(const QString& statement) {
    return Execute(statement, nullptr);
}

Recordset Connection::Execute(const QString& statement, qint64* recordsAffected) {
    if (!handles_)
        throw Error(ClosedMessage);
    SQLHSTMT handle = handles_->TakeStatement(commandTimeout_);
    // For Cancel: the handle is in flight until Execute returns (a spare handle is kept, never
    // freed, on the way out).
    const auto landed = Executing(handle);
    try {
        const SQLRETURN result =
            SQLExecDirectW(handle, Wide(statement), static_cast<SQLINTEGER>(statement.size()));
        // SQL_NO_DATA: a statement that touched no row.
        if (!odbc::Succeeded(result) && result != SQL_NO_DATA)
            throw odbc::DiagnosticError(SQL_HANDLE_STMT, handle, "SQLExecDirect",
                                        handles_->connection);
        if (recordsAffected) {
            SQLLEN count = 0;
            if (result != SQL_NO_DATA)
                Check(SQLRowCount(handle, &count), SQL_HANDLE_STMT, handle, "SQLRowCount",
                      handles_->connection);
            *recordsAffected = std::max<SQLLEN>(count, 0);
        }
        SQLSMALLINT columns = 0;
        Check(SQLNumResultCols(handle, &columns), SQL_HANDLE_STMT, handle, "SQLNumResultCols",
              handles_->connection);
        if (columns == 0) {
            handles_->GiveBack(handle, commandTimeout_, false);
            return Recordset();
        }
        if (cursorLocation_ == adUseClient) {
            Recordset records = Recordset::ReadAll(handles_->connection, handle);
            handles_->GiveBack(handle, commandTimeout_);
            return records;
        }
    } catch (...) {
        handles_->GiveBack(handle, commandTimeout_);
        throw;
    }
    return Recordset::Stream(handles_->connection, handle, handles_->live, &inFlight_);
}

void Connection::CommitTrans() {
    if (!handles_)
        throw Error(ClosedMessage);
    Check(SQLEndTran(SQL_HANDLE_DBC, handles_->connection, SQL_COMMIT), SQL_HANDLE_DBC,
          handles_->connection, "SQLEndTran", handles_->connection);
}

void Connection::RollbackTrans() {
    if (!handles_)
        throw Error(ClosedMessage);
    Check(SQLEndTran(SQL_HANDLE_DBC, handles_->connection, SQL_ROLLBACK), SQL_HANDLE_DBC,
          handles_->connection, "SQLEndTran", handles_->connection);
}

void Connection::Cancel() {
    if (void* statement = inFlight_.load())
        SQLCancel(statement);
}

void Connection::Close() {
    if (!handles_)
        throw Error(ClosedMessage);
    handles_.reset();
}

bool Connection::IsOpen() const {
    return handles_ != nullptr;
}

void* Connection::handle() const {
    return handles_ ? handles_->connection : nullptr;
}

} // namespace db
