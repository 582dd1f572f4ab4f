#include "bench_results.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

namespace {

// The median of the non-negative values, or -1 when there are none.
double MedianOf(const QList<RunOutcome>& outcomes,
                const std::function<double(const RunOutcome&)>& figure) {
    std::vector<double> values;
    for (const RunOutcome& outcome : outcomes) {
        const double value = figure(outcome);
        if (value >= 0)
            values.push_back(value);
    }
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

void Results::Add(int rows, const QString& run, const RunOutcome& outcome) {
    outcomes_[{rows, run}].append(outcome);
}

std::optional<RunOutcome> Results::Median(int rows, const QString& run) const {
    const auto found = outcomes_.constFind({rows, run});
    if (found == outcomes_.cend() || found->isEmpty())
        return std::nullopt;
    const QList<RunOutcome>& all = *found;
    RunOutcome median;
    median.timing.wall = MedianOf(all, [](const RunOutcome& o) { return o.timing.wall; });
    median.timing.client = MedianOf(all, [](const RunOutcome& o) { return o.timing.client; });
    median.timing.server = MedianOf(all, [](const RunOutcome& o) { return o.timing.server; });
    median.peakMiB = MedianOf(all, [](const RunOutcome& o) { return o.peakMiB; });
    median.statements =
        qint64(MedianOf(all, [](const RunOutcome& o) { return double(o.statements); }));
    median.written = qint64(MedianOf(all, [](const RunOutcome& o) { return double(o.written); }));
    median.doneSeconds = MedianOf(all, [](const RunOutcome& o) { return o.doneSeconds; });
    median.firstCommitSeconds =
        MedianOf(all, [](const RunOutcome& o) { return o.firstCommitSeconds; });
    median.stageCpu.read = MedianOf(all, [](const RunOutcome& o) { return o.stageCpu.read; });
    median.stageCpu.journal = MedianOf(all, [](const RunOutcome& o) { return o.stageCpu.journal; });
    median.stageCpu.write = MedianOf(all, [](const RunOutcome& o) { return o.stageCpu.write; });
    for (const RunOutcome& outcome : all)
        median.faults += outcome.faults;
    median.note = all.back().note;
    return median;
}

double Results::Wall(int rows, const QString& run) const {
    const std::optional<RunOutcome> median = Median(rows, run);
    return median && median->faults.isEmpty() ? median->timing.wall : -1.0;
}

QList<int> Results::Rows(const QString& run) const {
    QList<int> rows;
    for (const auto& key : outcomes_.keys()) {
        if ((run.isEmpty() || key.second == run) && !rows.contains(key.first))
            rows.append(key.first);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

double StatementsPerRow(int rows, const RunOutcome& outcome) {
    if (outcome.statements < 0)
        return -1;
    const qint64 over = outcome.written > 0 ? outcome.written : rows;
    return double(outcome.statements) / double(over);
}

} // namespace bench
