#pragma once

#include "bench_results.h"

#include <QString>

// How the figures of one benchmark invocation are printed.
namespace bench {

void PrintLine(const QString& line);

// The heading of the per-run lines, then one line per run as it finishes; `tag` marks the
// repetition ("#2") or the median ("median").
void PrintRunHeading();
void PrintRunLine(int rows, const QString& run, const RunOutcome& outcome, const QString& tag);

// The median line of every (size, run), after several repetitions.
void PrintMedians(const Results& results, int repetitions);

// Ratios between the runs at each size, the Proper runs' speed, the journal's cost, where the
// change runs' client CPU went, how each run's time and peak memory grow with the size. All
// from the medians.
void PrintSummary(const Results& results);

} // namespace bench
