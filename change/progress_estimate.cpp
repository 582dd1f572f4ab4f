#include "change/progress_estimate.h"

#include "change/run_session.h"

#include <algorithm>
#include <cmath>

namespace {

// The share of the table's pages, and the fewest pages, after which the rows read over the
// pages passed stand alone; before, they are blended with the database's estimate.
constexpr double TrustedShare = 0.05;
constexpr double TrustedPages = 32;

} // namespace

qint64 CorrectedTotal(qint64 read, qint64 block, qint64 pages, qint64 estimate) {
    if (block < 0 || pages <= 0)
        return std::max(read, estimate);
    // The latest row's page counts as half read.
    const double passed = std::min(double(block) + 0.5, double(pages));
    const double projected = double(read) * double(pages) / passed;
    const double weight =
        std::min(passed / std::max(TrustedPages, TrustedShare * double(pages)), 1.0);
    const double total = (1 - weight) * double(estimate) + weight * projected;
    return std::max(read, qint64(std::llround(total)));
}

void ReadTotal::Read(qint64 read, const db::RowPlace& first, const db::RowPlace& last) {
    if (start_.block < 0)
        start_ = first;
    if (start_.block >= 0 && last.block >= start_.block && last.relation == start_.relation)
        block_ = last.block - start_.block;
    total_ = CorrectedTotal(read, block_, pages_ - std::max<qint64>(start_.block, 0), estimate_);
}

double ConfirmedShare::Value(qint64 total) {
    shown_ = std::max(shown_, RunSession::Percent(confirmed_, total));
    return shown_;
}
