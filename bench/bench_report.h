#pragma once

#include "bench_runs.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// The figures of one benchmark invocation and how they are printed.
namespace bench {

// The outcome of each run, by table size and run name ("a", "ai", "b", "c").
class Results {
public:
    void Add(int rows, const QString& run, const RunOutcome& outcome);
    const RunOutcome* Find(int rows, const QString& run) const;
    QList<int> Rows() const;

private:
    QMap<QPair<int, QString>, RunOutcome> outcomes_;
};

// The heading of the per-run lines, then one line per run as it finishes.
void PrintRunHeading();
void PrintRunLine(int rows, const QString& run, const RunOutcome& outcome);

// Ratios between the runs at each size, and how each run's time grows with the size.
void PrintSummary(const Results& results);

} // namespace bench
