#pragma once

#include "db/error.h"

#include <QList>
#include <QString>
#include <atomic>
#include <memory>

namespace db {

// Numbers of the data-access layer's published enumerations.
inline constexpr int adUseServer = 2;
inline constexpr int adUseClient = 3;
inline constexpr int adModeUnknown = 0;
inline constexpr int adModeReadWrite = 3;
inline constexpr int adOpenForwardOnly = 0;
inline constexpr int adOpenStatic = 3;
inline constexpr int adLockReadOnly = 1;
inline constexpr int adLockOptimistic = 3;

class Recordset;
struct ColumnDescription; // db/statement_description.h

// Frees an ODBC statement handle (SQLFreeHandle).
struct FreeStatement {
    void operator()(void* statement) const noexcept;
};
// A statement handle owned from the moment it is allocated: whatever throws after the
// allocation frees it, instead of leaving it to the connection's end.
using StatementHandle = std::unique_ptr<void, FreeStatement>;

// One database connection over the ODBC wide API. Releasing the object ends an open
// connection. The properties take effect at the next Open.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int CursorLocation() const { return cursorLocation_; }
    void SetCursorLocation(int location) { cursorLocation_ = location; }
    int Mode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }
    // Seconds; 30 and 15 unless set.
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }
    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }

    // Automatic commit of each statement (the default). Without it, statements form one
    // transaction until CommitTrans or RollbackTrans. Takes effect at the next Open.
    bool AutoCommit() const { return autoCommit_; }
    void SetAutoCommit(bool on) { autoCommit_ = on; }
    void CommitTrans();
    void RollbackTrans();

    // The connection's default property: the string used by Open() without argument.
    const QString& ConnectionString() const { return connectionString_; }
    void SetConnectionString(const QString& text) { connectionString_ = text; }

    // Opens with an ODBC string, or with an OLE DB string ("Provider=NAME;Data Source=...;
    // User Id=...;Password=...;"), which is served by the ODBC driver registered as NAME.
    // Throws db::Error with every diagnostic record's text.
    void Open();
    void Open(const QString& connectionString);

    // Runs one statement. For a query the result is a record set on its first row (client
    // cursor when CursorLocation is adUseClient); otherwise a closed record set. Throws
    // db::Error when the database rejects the statement or the connection is closed.
    Recordset Execute(const QString& statement);
    // The same; *recordsAffected receives the number of rows the statement changed.
    Recordset Execute(const QString& statement, qint64* recordsAffected);

    // The columns of the statement's result, prepared and described but never executed: no
    // row is read. Throws db::Error when the database rejects the statement or the connection
    // is closed. Defined in statement_description.cpp.
    QList<ColumnDescription> Describe(const QString& statement);

    // Asks the statement executing on this connection to stop (SQLCancel); it then fails
    // with the driver's "cancelled" error. Safe from any thread; a no-op when none runs.
    void Cancel();

    // Ends the connection; throws db::Error when it is not open.
    void Close();
    bool IsOpen() const;

    // The ODBC connection handle (SQLHDBC) while open; for the record set.
    void* handle() const;

    // Marks a statement handle as the one Cancel stops, until the returned guard goes.
    class InFlight {
    public:
        InFlight(std::atomic<void*>& slot, void* statement) : slot_(slot) {
            slot_.store(statement);
        }
        ~InFlight() { slot_.store(nullptr); }
        InFlight(const InFlight&) = delete;
        InFlight& operator=(const InFlight&) = delete;

    private:
        std::atomic<void*>& slot_;
    };
    [[nodiscard]] InFlight Executing(void* statement) { return {inFlight_, statement}; }

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    int cursorLocation_ = adUseServer;
    int mode_ = adModeUnknown;
    int commandTimeout_ = 30;
    int connectionTimeout_ = 15;
    bool autoCommit_ = true;
    QString connectionString_;
    std::atomic<void*> inFlight_{nullptr}; // the statement handle Execute is running
};

} // namespace db
