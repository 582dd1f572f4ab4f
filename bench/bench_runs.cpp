#include "bench_runs.h"

#include "bench_server.h"
#include "bench_table.h"
#include "casing/case_rules.h"
#include "db/recordset.h"
#include "db/sql_text.h"
#include "db/values.h"
#include "headless_host.h"
#include "peak_memory.h"
#include "sql_literal.h"
#include "window_host.h"

#include <functional>
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

// Runs `work` between fresh counts of statements and peak memory, on all clocks.
RunOutcome Measure(Meters& meters, const std::function<void(RunOutcome&)>& work) {
    RunOutcome outcome;
    meters.statements.Reset();
    const bool peakReset = ResetPeakMemory();
    const Stopwatch watch(meters.cpu);
    work(outcome);
    outcome.timing = watch.Elapsed();
    if (peakReset)
        outcome.peakMiB = PeakMemoryMiB();
    outcome.statements = meters.statements.Calls();
    return outcome;
}

QString SummaryNote(const RunSummary& summary) {
    return QStringLiteral("written %1, unchanged %2, refused %3, left %4")
        .arg(summary.rows.written)
        .arg(summary.rows.unchanged)
        .arg(summary.rows.refused)
        .arg(summary.rows.left);
}

} // namespace

RunOutcome TimeChangeRun(const ConnectionProfile& profile, const QString& table,
                         const ChangeRunSetup& setup, Meters& meters) {
    std::unique_ptr<HeadlessHost> host;
    if (setup.window)
        host = std::make_unique<WindowHost>(profile, table, NameColumn, setup.caseBox);
    else
        host = std::make_unique<HeadlessHost>(profile, table, NameColumn, setup.caseBox,
                                              setup.journal);
    if (setup.stopAtFirstCommit)
        host->StopAtFirstCommit();
    RunSummary summary;
    HeadlessHost::Clock::time_point start;
    RunOutcome outcome = Measure(meters, [&](RunOutcome&) {
        start = HeadlessHost::Clock::now();
        summary = RunChange(host->Request(), *host, *host);
    });
    outcome.faults = host->Faults();
    if (!summary.failure.isEmpty())
        outcome.faults.append(QStringLiteral("run failure: ") + summary.failure);
    if (summary.rows.refused > 0 || summary.rows.left > 0)
        outcome.faults.append(SummaryNote(summary));
    if (summary.rows.read > 0)
        outcome.written = summary.rows.written;
    if (const auto done = host->DoneAt())
        outcome.doneSeconds = std::chrono::duration<double>(*done - start).count();
    if (const auto committed = host->FirstCommitAt())
        outcome.firstCommitSeconds = std::chrono::duration<double>(*committed - start).count();
    if (summary.started)
        outcome.stageCpu = summary.cpu;
    outcome.note = summary.rows.read > 0 ? SummaryNote(summary) : QStringLiteral("no run summary");
    if (!summary.journal.isEmpty())
        outcome.note += QStringLiteral(", journal");
    outcome.stopped = summary.stopped;
    if (summary.stopped)
        outcome.note += QStringLiteral(", stopped on request once its first group was committed");
    outcome.note += QStringLiteral(", %1 yields").arg(host->Yields());
    if (const auto* shown = dynamic_cast<const WindowHost*>(host.get()))
        outcome.note += QStringLiteral(", %1 waits, %2 paints of the bar, %3 s setting its value")
                            .arg(shown->Waits())
                            .arg(shown->Paints())
                            .arg(shown->ProgressSeconds(), 0, 'f', 3);
    return outcome;
}

double TimeEscToMessage(const ConnectionProfile& profile, const QString& table, double percent) {
    WindowHost host(profile, table, NameColumn, QStringLiteral("UPPER CASE"));
    host.PressEscAt(percent);
    const RunSummary summary = RunChange(host.Request(), host, host);
    const auto end = HeadlessHost::Clock::now();
    if (!summary.stopped || !host.EscPressedAt())
        return -1;
    return std::chrono::duration<double>(end - *host.EscPressedAt()).count();
}

RunOutcome TimeLiteralStatements(const ConnectionProfile& profile, const QString& table,
                                 Meters& meters) {
    int statements = 0;
    RunOutcome outcome = Measure(meters, [&](RunOutcome& measured) {
        try {
            db::Connection connection;
            OpenLikeChangeRun(connection, profile);
            db::Recordset records;
            records.Open(SelectColumnStatement(table, NameColumn), connection, db::adOpenStatic,
                         db::adLockOptimistic);
            for (; !records.Eof(); records.MoveNext()) {
                const QString value =
                    NullToDefault(records.GetFields()[0].Value(), QString()).toString();
                connection.Execute(ReplaceWithoutWhere(table, NameColumn, EscapeLiteral(value),
                                                       EscapeLiteral(Case::UpperCase(value))));
                ++statements;
            }
        } catch (const db::Error& e) {
            measured.faults.append(e.description());
        }
    });
    outcome.written = statements;
    outcome.note = QStringLiteral("%1 UPDATE statements").arg(statements);
    return outcome;
}

RunOutcome TimeSetBased(const ConnectionProfile& profile, const QString& table, Meters& meters) {
    return Measure(meters, [&](RunOutcome& measured) {
        try {
            db::Connection connection;
            OpenLikeChangeRun(connection, profile);
            const QString column = QuoteIdentifier(NameColumn);
            connection.Execute(
                QStringLiteral("UPDATE %1 SET %2 = UPPER(%2)").arg(QuoteIdentifier(table), column));
        } catch (const db::Error& e) {
            measured.faults.append(e.description());
        }
    });
}

} // namespace bench
