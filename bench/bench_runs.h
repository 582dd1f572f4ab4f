#pragma once

#include "cpu_clock.h"
#include "db/connection_profile.h"

#include <QString>
#include <QStringList>

// The three ways of upper-casing a column that the benchmark times. Each opens its own
// connection inside the timed span, as the change run does.
namespace bench {

struct RunOutcome {
    Timing timing;
    QStringList faults; // empty when the run did all its work
    QString note;       // what else the run observed, for the report
};

// (a) The program's change run in mode UPPER CASE through a headless host, or with window
// costs (a shown progress bar, the program's yield).
RunOutcome TimeChangeRun(const ConnectionProfile& profile, const QString& table, bool window,
                         const ServerCpu& server);

// (b) The per-row statement as literally described, without WHERE: read the column, then for
// each row read UPDATE "T" SET "C" = REPLACE("C",'old','new'), each rewriting every row.
RunOutcome TimeLiteralStatements(const ConnectionProfile& profile, const QString& table,
                                 const ServerCpu& server);

// (c) The set-based anchor: UPDATE "T" SET "C" = UPPER("C").
RunOutcome TimeSetBased(const ConnectionProfile& profile, const QString& table,
                        const ServerCpu& server);

} // namespace bench
