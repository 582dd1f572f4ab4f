#include "bench_runs.h"

#include "bench_server.h"
#include "bench_table.h"
#include "casing/case_rules.h"
#include "change/statements.h"
#include "db/recordset.h"
#include "db/sql_text.h"
#include "db/values.h"
#include "headless_host.h"
#include "window_host.h"

#include <memory>

namespace bench {

namespace {

// UPDATE "T" SET "C" = REPLACE("C",'old','new'), texts already escaped.
QString ReplaceWithoutWhere(const QString& table, const QString& column, const QString& oldEscaped,
                            const QString& newEscaped) {
    const QString quotedColumn = QuoteIdentifier(column);
    return QStringLiteral("UPDATE %1 SET %2 = REPLACE(%2,'%3','%4')")
        .arg(QuoteIdentifier(table), quotedColumn, oldEscaped, newEscaped);
}

} // namespace

RunOutcome TimeChangeRun(const ConnectionProfile& profile, const QString& table, bool window,
                         const ServerCpu& server) {
    std::unique_ptr<HeadlessHost> host;
    if (window)
        host = std::make_unique<WindowHost>(profile, table, NameColumn);
    else
        host = std::make_unique<HeadlessHost>(profile, table, NameColumn);
    RunOutcome outcome;
    const Stopwatch watch(server);
    RunChange(*host);
    outcome.timing = watch.Elapsed();
    outcome.faults = host->Faults();
    outcome.note = QStringLiteral("%1 yields").arg(host->Yields());
    if (const auto* shown = dynamic_cast<const WindowHost*>(host.get()))
        outcome.note += QStringLiteral(", %1 paints of the bar, %2 s setting its value")
                            .arg(shown->Paints())
                            .arg(shown->ProgressSeconds(), 0, 'f', 3);
    return outcome;
}

RunOutcome TimeLiteralStatements(const ConnectionProfile& profile, const QString& table,
                                 const ServerCpu& server) {
    RunOutcome outcome;
    int statements = 0;
    const Stopwatch watch(server);
    try {
        db::Connection connection;
        OpenLikeChangeRun(connection, profile);
        db::Recordset records;
        records.Open(BuildReadStatement(table, NameColumn), connection, db::adOpenStatic,
                     db::adLockOptimistic);
        for (; !records.Eof(); records.MoveNext()) {
            const QString value =
                NullToDefault(records.GetFields()[0].Value(), QString()).toString();
            connection.Execute(ReplaceWithoutWhere(table, NameColumn, EscapeLiteral(value),
                                                   EscapeLiteral(Case::UpperCase(value))));
            ++statements;
        }
    } catch (const db::Error& e) {
        outcome.faults.append(e.description());
    }
    outcome.timing = watch.Elapsed();
    outcome.note = QStringLiteral("%1 statements").arg(statements);
    return outcome;
}

RunOutcome TimeSetBased(const ConnectionProfile& profile, const QString& table,
                        const ServerCpu& server) {
    RunOutcome outcome;
    const Stopwatch watch(server);
    try {
        db::Connection connection;
        OpenLikeChangeRun(connection, profile);
        const QString column = QuoteIdentifier(NameColumn);
        connection.Execute(
            QStringLiteral("UPDATE %1 SET %2 = UPPER(%2)").arg(QuoteIdentifier(table), column));
    } catch (const db::Error& e) {
        outcome.faults.append(e.description());
    }
    outcome.timing = watch.Elapsed();
    return outcome;
}

} // namespace bench
