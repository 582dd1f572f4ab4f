#pragma once

#include "bench_results.h"

// The goals the change run is held to, each with its measured figure and PASS or MISS, from
// the medians. A goal without the runs or sizes it needs is listed as not measured.
namespace bench {

// The run on the huge table (--huge), stopped once its first group was committed.
struct HugeRun {
    int rows = 0; // 0: not run
    RunOutcome outcome;
};

void PrintGoals(const Results& results, const HugeRun& huge);

// One goal's line: what, the figure measured, the goal, and PASS or MISS.
void Goal(const QString& what, const QString& measured, const QString& goal, bool measurable,
          bool met);

} // namespace bench
