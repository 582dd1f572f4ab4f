#pragma once

#include "change/change_run.h"
#include "cpu_clock.h"
#include "db/connection_profile.h"
#include "server_statements.h"

#include <QString>
#include <QStringList>

// The ways of recasing a column that the benchmark times. Each opens its own connection
// inside the measured span, as the change run does.
namespace bench {

struct RunOutcome {
    Timing timing;
    double peakMiB = -1;     // this process's peak resident memory during the run
    qint64 statements = -1;  // statements the server ran for the run's user; -1 unknown
    qint64 written = -1;     // rows the run says it wrote; -1 when it does not say
    double doneSeconds = -1; // from the start to "Done." (change runs that showed it)
    // From the start to the first group the database confirmed (change runs that had one).
    double firstCommitSeconds = -1;
    // CPU seconds of the change run's reader, journal and writer threads; -1 for other runs.
    StageSeconds stageCpu{-1, -1, -1};
    bool stopped = false; // ended early on request, after `written` rows
    QStringList faults;   // empty when the run did all its work
    QString note;         // what else the run observed, for the report

    // The client's CPU outside the reader, journal and writer threads: converting.
    double ConvertSeconds() const {
        return timing.client - stageCpu.read - stageCpu.journal - stageCpu.write;
    }
};

// What every run is measured with besides the wall clock.
struct Meters {
    const ServerCpu& cpu;
    ServerStatements& statements;
};

// How a change run is driven.
struct ChangeRunSetup {
    QString caseBox = QStringLiteral("UPPER CASE");
    bool journal = true; // the request's keepsJournal
    bool window = false; // a shown progress bar, the program's yield, waits on a worker thread
    bool stopAtFirstCommit = false; // asks the run to stop once its first group is committed
};

// (a, ai, an, p, pi) The program's change run.
RunOutcome TimeChangeRun(const ConnectionProfile& profile, const QString& table,
                         const ChangeRunSetup& setup, Meters& meters);

// Esc when the window host's bar passes `percent` of an UPPER run of `table`: the seconds from
// the key press to the end of the run, when the work window shows its message; -1 when the
// run did not stop.
double TimeEscToMessage(const ConnectionProfile& profile, const QString& table, double percent);

// (b) The naive per-row statement, without WHERE: read the column, then for
// each row read UPDATE "T" SET "C" = REPLACE("C",'old','new'), each rewriting every row.
RunOutcome TimeLiteralStatements(const ConnectionProfile& profile, const QString& table,
                                 Meters& meters);

// (c, ci) The set-based anchor: UPDATE "T" SET "C" = UPPER("C").
RunOutcome TimeSetBased(const ConnectionProfile& profile, const QString& table, Meters& meters);

} // namespace bench
