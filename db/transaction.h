#pragma once

#include "db/connection.h"
#include "db/error.h"

#include <functional>

namespace db {

// One transaction on a connection without automatic commit: rolled back unless committed,
// so a group of rows lands whole or not at all whichever way its scope is left. `run`
// carries the database calls (a run hands them to a worker thread).
class Transaction {
public:
    using Runner = std::function<void(const std::function<void()>&)>;

    explicit Transaction(
        Connection& connection, Runner run = [](const std::function<void()>& call) { call(); })
        : connection_(connection), run_(std::move(run)) {}
    ~Transaction() {
        if (open_)
            run_([this] {
                try {
                    connection_.RollbackTrans();
                } catch (const Error&) {
                    // A lost connection has rolled back already.
                }
            });
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws db::Error when the commit fails; the transaction is over either way.
    void Commit() {
        open_ = false;
        connection_.CommitTrans();
    }

private:
    Connection& connection_;
    Runner run_;
    bool open_ = true;
};

} // namespace db
