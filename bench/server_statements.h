#pragma once

#include "db/connection.h"

#include <QString>

// The statements one login user sends, as the server counts them (pg_stat_statements: every
// top-level statement, utility statements such as FETCH, BEGIN and COMMIT included).
namespace bench {

class ServerStatements {
public:
    // `admin` must be a superuser connection that stays open; `user` the user to count.
    ServerStatements(db::Connection& admin, QString user);

    // False when the server was started without pg_stat_statements in
    // shared_preload_libraries (tools/bench.sh starts it with it); Why() says what failed.
    bool Available() const { return available_; }
    const QString& Why() const { return why_; }

    // Forgets every count (of all users); call before a run.
    void Reset();
    // The statements the user has run since the reset; -1 when not available.
    qint64 Calls();

private:
    db::Connection& admin_;
    QString user_;
    bool available_ = false;
    QString why_;
};

} // namespace bench
