#include "server_statements.h"

#include "bench_server.h"
#include "db/recordset.h"
#include "sql_literal.h"

#include <utility>

namespace bench {

ServerStatements::ServerStatements(db::Connection& admin, QString user)
    : admin_(admin), user_(std::move(user)) {
    try {
        admin_.Execute(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_stat_statements"));
        // The view fails unless the library was loaded at server start.
        Scalar(admin_, QStringLiteral("SELECT count(*) FROM pg_stat_statements"));
        available_ = true;
    } catch (const db::Error& e) {
        why_ = e.description();
    }
}

void ServerStatements::Reset() {
    if (available_)
        Scalar(admin_, QStringLiteral("SELECT pg_stat_statements_reset()"));
}

qint64 ServerStatements::Calls() {
    if (!available_)
        return -1;
    return Scalar(admin_, QStringLiteral("SELECT coalesce(sum(calls), 0) FROM pg_stat_statements "
                                         "WHERE userid = (SELECT oid FROM pg_roles "
                                         "WHERE rolname = '%1')")
                              .arg(EscapeLiteral(user_)))
        .toLongLong();
}

} // namespace bench
