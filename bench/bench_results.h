#pragma once

#include "bench_runs.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <optional>

// The outcomes of one benchmark invocation, by table size and run name, and their medians.
namespace bench {

class Results {
public:
    void Add(int rows, const QString& run, const RunOutcome& outcome);
    // The median of each figure over the repetitions of (rows, run) (the figures a run could
    // not measure left out), every repetition's faults, the last note; nothing when the run
    // did not run at that size.
    std::optional<RunOutcome> Median(int rows, const QString& run) const;
    // The median wall time, or a negative number when the run is missing or faulted.
    double Wall(int rows, const QString& run) const;
    // The sizes that have outcomes (of `run`, when given), ascending.
    QList<int> Rows(const QString& run = {}) const;

private:
    QMap<QPair<int, QString>, QList<RunOutcome>> outcomes_;
};

// Statements per row: over the rows written when the run says, else over the table's rows.
double StatementsPerRow(int rows, const RunOutcome& outcome);

} // namespace bench
