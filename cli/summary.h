#pragma once

#include "change/change_run.h"

#include <QString>
#include <optional>

namespace cli {

class ConsoleHost;

enum ExitStatus {
    ExitSuccess = 0,      // every row written or needing nothing
    ExitIncomplete = 1,   // rows refused, left or altered, a selected field left, or the
                          // run ended early
    ExitUsage = 2,        // bad arguments, or the run could not start
    ExitInterrupted = 130 // stopped by Ctrl-C
};

// "read 1000, written 420, unchanged 570, refused 0, left 10; journal run-000042.sqlite"
QString SummaryLine(const RunSummary& summary);

ExitStatus ExitStatusOf(const RunSummary& summary);

// Before a run: the exit status of a run that must not start because its journal could
// not be written (the reason printed), else nothing.
std::optional<int> JournalFolderError();

// Prints the end of a run (the summary on stdout; on stderr, on one line, why it did not
// start or ended early) and returns its exit status.
int EndRun(ConsoleHost& host, const RunSummary& summary);

} // namespace cli
