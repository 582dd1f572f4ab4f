#pragma once

#include "bench_goals.h"
#include "bench_options.h"
#include "bench_results.h"
#include "bench_runs.h"
#include "db/connection.h"
#include "db/connection_profile.h"

#include <QString>

// Every run of one invocation at every size and repetition, each on a fresh table, each
// checked against the table it ought to leave; then the medians, summary and goals.
class Benchmark {
public:
    Benchmark(const BenchOptions& options, db::Connection& admin, db::Connection& setup,
              const ConnectionProfile& user, bench::Meters& meters)
        : options_(options), admin_(admin), setup_(setup), user_(user), meters_(meters) {}

    // False when a run faulted or left a table other than the one expected.
    bool Run();

private:
    bool Wanted(const QString& run) const { return options_.runs.contains(run); }
    // The UPPER change runs and run b are checked against the set-based table.
    bool NeedsUpperReference() const;
    void RunSize(int rows, int repetition);
    void RunWindow(int repetition);
    // Esc half-way through a window run of EscRows rows: the time to the stop message.
    void RunEsc();
    void PrintEscGoal() const;
    // One UPPER run on a table of hugeRows rows, stopped once its first group is committed.
    void RunHuge();
    // One UPPER run of 10,000 rows under the server's statement log: no column value may
    // stand in a statement's text, and few texts may write.
    void CheckStatementLog();
    // Fills the run's table, times the run, checks what it left, drops its tables.
    void RunOne(int rows, const QString& run, int repetition, const QString& upperReference);
    void Record(int rows, const QString& run, int repetition, const bench::RunOutcome& outcome);
    // The changed table must equal the expected one, row by row.
    void Check(const QString& changed, const QString& expected);
    void Drop(const QString& table);

    const BenchOptions& options_;
    db::Connection& admin_;
    db::Connection& setup_;
    const ConnectionProfile& user_;
    bench::Meters& meters_;
    bench::Results results_;
    QList<double> escSeconds_; // one per repetition; -1 where the run did not stop
    bench::HugeRun huge_;
    bool failed_ = false;
};
