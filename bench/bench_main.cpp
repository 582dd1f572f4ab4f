// bench_change_run: how fast the change run upper-cases a column, next to the per-row
// statements without WHERE and the set-based UPDATE, against a running test server.
// Exits non-zero when a run faults or when the change run and the set-based UPDATE leave
// different tables.

#include "bench_options.h"
#include "bench_report.h"
#include "bench_runs.h"
#include "bench_server.h"
#include "bench_table.h"
#include "cpu_clock.h"
#include "db/recordset.h"
#include "machine.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <memory>

namespace {

void Print(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, bool window) {
    if (!window)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

QString TableName(const QString& run, int rows) {
    return QStringLiteral("BENCH_%1_%2").arg(run.toUpper()).arg(rows);
}

class Benchmark {
public:
    Benchmark(const BenchOptions& options, db::Connection& setup, const ConnectionProfile& user,
              const bench::ServerCpu& server)
        : options_(options), setup_(setup), user_(user), server_(server) {}

    // Every run at every size, then the check; false when anything failed.
    bool Run() {
        bench::PrintRunHeading();
        for (int rows : options_.rows)
            RunSize(rows);
        bench::PrintSummary(results_);
        Print(QString());
        return !failed_;
    }

private:
    bool Wanted(const QString& run) const { return options_.runs.contains(run); }

    void Record(int rows, const QString& run, const bench::RunOutcome& outcome) {
        bench::PrintRunLine(rows, run, outcome);
        results_.Add(rows, run, outcome);
        failed_ = failed_ || !outcome.faults.isEmpty();
    }

    void RunSize(int rows) {
        const QString setBased = TableName(QStringLiteral("c"), rows);
        for (const QString& run : {QStringLiteral("c"), QStringLiteral("ai"), QStringLiteral("a"),
                                   QStringLiteral("b")}) {
            if (!Wanted(run))
                continue;
            if (run == QLatin1String("b") && rows > options_.literalLimit)
                continue;
            const QString table = TableName(run, rows);
            bench::CreateFilledTable(setup_, table, rows, run == QLatin1String("ai"));
            if (run == QLatin1String("c"))
                Record(rows, run, bench::TimeSetBased(user_, table, server_));
            else if (run == QLatin1String("b"))
                Record(rows, run, bench::TimeLiteralStatements(user_, table, server_));
            else
                Record(rows, run, bench::TimeChangeRun(user_, table, options_.window, server_));
        }
        if (Wanted(QStringLiteral("c"))) {
            for (const QString& run : {QStringLiteral("ai"), QStringLiteral("a")}) {
                if (Wanted(run))
                    Check(TableName(run, rows), setBased);
            }
            if (Wanted(QStringLiteral("b")) && rows <= options_.literalLimit)
                Print(QStringLiteral("         (b) leaves %1 of %2 rows other than UPPER")
                          .arg(bench::CountDifferences(setup_, TableName(QStringLiteral("b"), rows),
                                                       setBased))
                          .arg(rows));
        }
    }

    // The change run must leave the same column as the set-based UPDATE, row by row.
    void Check(const QString& changed, const QString& setBased) {
        const qint64 differences = bench::CountDifferences(setup_, changed, setBased);
        if (differences == 0)
            return;
        failed_ = true;
        Print(QStringLiteral("CHECK FAILED: %1 rows of %2 differ from %3, for example:")
                  .arg(differences)
                  .arg(changed, setBased));
        for (const QString& line : bench::SampleDifferences(setup_, changed, setBased, 5))
            Print(QStringLiteral("  ") + line);
    }

    const BenchOptions& options_;
    db::Connection& setup_;
    const ConnectionProfile& user_;
    const bench::ServerCpu& server_;
    bench::Results results_;
    bool failed_ = false;
};

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
    const auto application = MakeApplication(argc, argv, options->window);
    try {
        bench::LoadServerEnvironment(options->envFile);
        db::Connection admin;
        bench::OpenLikeChangeRun(admin, bench::AdminProfile());
        const ConnectionProfile user = bench::CreateUser(admin);
        db::Connection setup;
        bench::OpenLikeChangeRun(setup, user);
        const bench::ServerCpu server(static_cast<pid_t>(
            bench::Scalar(setup, QStringLiteral("SELECT pg_backend_pid()")).toLong()));

        Print(QStringLiteral("Change run benchmark: mode UPPER CASE, column \"NAME\" "
                             "varchar(200), one connection per run"));
        for (const QString& line : DescribeMachine())
            Print(line);
        Print(QStringLiteral("server:             %1")
                  .arg(bench::Scalar(setup, QStringLiteral("SELECT version()"))));
        Print(QStringLiteral("host:               %1")
                  .arg(options->window ? QStringLiteral("window (progress bar shown, program's "
                                                        "yield), platform ") +
                                             QGuiApplication::platformName()
                                       : QStringLiteral("headless (processEvents per yield)")));
        Print(QStringLiteral("server CPU:         %1")
                  .arg(server.Available() ? QStringLiteral("measured from /proc")
                                          : QStringLiteral("not measurable here")));
        bench::CreateFilledTable(setup, QStringLiteral("BENCH_SAMPLE"), 1000, false);
        Print(QStringLiteral("values:             mixed-case names and titles, mean length %1 "
                             "characters, distinct")
                  .arg(bench::MeanLength(setup, QStringLiteral("BENCH_SAMPLE")), 0, 'f', 1));
        Print(QString());

        const bool passed = Benchmark(*options, setup, user, server).Run();
        setup.Close();
        admin.Execute(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(user.user));
        admin.Execute(QStringLiteral("DROP ROLE \"%1\"").arg(user.user));
        Print(passed ? QStringLiteral("PASS: every run did its work and every (a) table "
                                      "checked equals its (c) table")
                     : QStringLiteral("FAIL: see the faults and checks above"));
        return passed ? 0 : 1;
    } catch (const db::Error& e) {
        std::fprintf(stderr, "bench_change_run: %s\n", qPrintable(e.description()));
        return 1;
    }
}
