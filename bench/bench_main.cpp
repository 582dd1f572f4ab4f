// bench_change_run: how fast, in how much memory and in how many statements the change run
// recases a column, next to the per-row statements without WHERE and the set-based UPDATE,
// against a running test server. Exits 1 when a run faults or leaves another table than the
// set-based UPDATE (UPPER) or the program's own case rules (Proper) would.

#include "bench_options.h"
#include "bench_report.h"
#include "bench_runs.h"
#include "bench_server.h"
#include "bench_table.h"
#include "benchmark.h"
#include "cpu_clock.h"
#include "db/recordset.h"
#include "journal/run_journal.h"
#include "machine.h"
#include "peak_memory.h"
#include "server_statements.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

namespace {

using bench::PrintLine;

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool window) {
    if (!window)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

void PrintSetting(const char* name, const QString& value) {
    PrintLine(QStringLiteral("%1 %2").arg(QLatin1String(name), -19).arg(value));
}

void PrintHeader(const BenchOptions& options, db::Connection& setup, const bench::ServerCpu& server,
                 const bench::ServerStatements& statements) {
    PrintLine(QStringLiteral("Change run benchmark: column \"NAME\" varchar(200), modes UPPER CASE "
                             "and Proper Case, one connection per run"));
    for (const QString& line : DescribeMachine())
        PrintLine(line);
    PrintSetting("server:", bench::Scalar(setup, QStringLiteral("SELECT version()")));
    PrintSetting("host:", QStringLiteral("headless (the program's yield: events every 10 ms)") +
                              (options.windowRows > 0
                                   ? QStringLiteral("; run aw through a shown progress bar, the "
                                                    "program's yield and waits on a worker "
                                                    "thread, platform ") +
                                         QGuiApplication::platformName()
                                   : QString()));
    PrintSetting("server CPU:", server.Available() ? QStringLiteral("measured from /proc")
                                                   : QStringLiteral("not measurable here"));
    PrintSetting("statements:",
                 statements.Available()
                     ? QStringLiteral("counted by pg_stat_statements (calls) for the runs' user: "
                                      "every top-level statement, FETCH, BEGIN and COMMIT "
                                      "included")
                     : QStringLiteral("not counted (") + statements.Why() + QLatin1Char(')'));
    PrintSetting("client CPU:",
                 QStringLiteral("this process's CPU time; a change run's by stage: its reader, "
                                "journal and writer threads as the run counts them, convert = "
                                "the rest (the calling thread, the driver's work on it)"));
    PrintSetting("first commit:",
                 QStringLiteral("from a change run's start to the first move of its bar, which "
                                "follows the rows the database confirmed"));
    PrintSetting("peak memory:", bench::ResetPeakMemory()
                                     ? QStringLiteral("VmHWM of this process, reset before "
                                                      "each run")
                                     : QStringLiteral("VmHWM cannot be reset here: peaks "
                                                      "not measured"));
    PrintSetting("journals in:",
                 QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    PrintSetting("repetitions:", QString::number(options.repeat));
    PrintSetting("journal sync:", options.journalSync
                                      ? QStringLiteral("each group's outcomes before its COMMIT")
                                      : QStringLiteral("off (--journal-sync off)"));
    if (options.hugeRows > 0)
        PrintSetting("huge table:",
                     QStringLiteral("%1 rows, one run a (journal kept) asked to stop once its "
                                    "first group is committed")
                         .arg(options.hugeRows));
    bench::CreateFilledTable(setup, QStringLiteral("BENCH_SAMPLE"), 1000, false);
    PrintSetting("values:",
                 QStringLiteral("mixed-case names and titles, mean length %1 characters, distinct")
                     .arg(bench::MeanLength(setup, QStringLiteral("BENCH_SAMPLE")), 0, 'f', 1));
    setup.Execute(QStringLiteral("DROP TABLE \"BENCH_SAMPLE\""));
    PrintLine(QString());
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const std::optional<BenchOptions> options = ParseOptions(arguments, &error);
    if (!options) {
        std::fprintf(stderr, "%s", qPrintable(error));
        return 2;
    }
    const auto application = MakeApplication(argc, argv, options->windowRows > 0);
    journal::SetSyncBeforeCommit(options->journalSync);
    try {
        bench::LoadServerEnvironment(options->envFile);
        db::Connection admin;
        bench::OpenLikeChangeRun(admin, bench::AdminProfile());
        const ConnectionProfile user = bench::CreateUser(admin);
        db::Connection setup;
        bench::OpenLikeChangeRun(setup, user);
        const bench::ServerCpu server(static_cast<pid_t>(
            bench::Scalar(setup, QStringLiteral("SELECT pg_backend_pid()")).toLong()));
        bench::ServerStatements statements(admin, user.user);
        PrintHeader(*options, setup, server, statements);

        bench::Meters meters{server, statements};
        const bool passed = Benchmark(*options, admin, setup, user, meters).Run();
        setup.Close();
        admin.Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(user.user));
        admin.Execute(QStringLiteral("DROP ROLE \"%1\"").arg(user.user));
        PrintLine(passed ? QStringLiteral("PASS: every run did its work and left the table "
                                          "expected (set-based UPPER, or Proper Case computed "
                                          "by the program's case rules)")
                         : QStringLiteral("FAIL: see the faults and checks above"));
        return passed ? 0 : 1;
    } catch (const db::Error& e) {
        std::fprintf(stderr, "bench_change_run: %s\n", qPrintable(e.description()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_change_run: %s\n", e.what());
        return 1;
    }
}
