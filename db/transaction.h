#pragma once

#include "db/connection.h"
#include "db/error.h"

namespace db {

// One transaction on a connection without automatic commit: rolled back unless committed,
// so a group of rows lands whole or not at all whichever way its scope is left. Commit and
// Rollback run where the caller runs its database calls (a run hands them to a worker
// thread). A transaction still open when its scope is left (an exception on its way) is
// rolled back there and then, on the connection: a destructor neither throws nor waits in an
// event loop of the window's.
class Transaction {
public:
    explicit Transaction(Connection& connection) : connection_(connection) {}
    ~Transaction() { Rollback(); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws db::Error when the commit fails; the transaction is over either way.
    void Commit() {
        open_ = false;
        connection_.CommitTrans();
    }

    bool IsOpen() const { return open_; }

    // Ends the transaction, undoing its statements; nothing once it has ended. Never throws:
    // a lost connection has rolled back already.
    void Rollback() noexcept {
        if (!open_)
            return;
        open_ = false;
        try {
            // A statement still running would hold the rollback back (none does when the
            // caller's calls have all returned).
            connection_.Cancel();
            connection_.RollbackTrans();
        } catch (...) {
            // A lost connection has rolled back already; a destructor has no one to tell of
            // anything else.
        }
    }

private:
    Connection& connection_;
    bool open_ = true;
};

} // namespace db
