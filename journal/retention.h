#pragma once

#include <QDateTime>
#include <QString>

// Which ended runs' journals stay. Pruning runs when a run starts its journal; it never
// removes a journal whose run is still going or that is being read (see RunLock).
namespace journal {

inline constexpr int DefaultKeepDays = 30;
inline constexpr qint64 DefaultBudgetBytes = qint64(1) << 30; // 1 GiB

struct Retention {
    // Journals last written more than this many days ago go; -1: none go by age.
    int days = DefaultKeepDays;
    // 0 or more: only the newest journals stay, this many in all with the starting run's
    // own (which always stays); -1: no limit by count.
    int count = -1;
    // Past this many bytes for all journals together, the oldest go first.
    qint64 budgetBytes = DefaultBudgetBytes;
};

// The retention of the runs this process starts; the default until set.
void SetRetention(const Retention& retention);
const Retention& CurrentRetention();

// Removes the journals in `folder` that the retention lets go, oldest first, before a new
// run's journal is created there.
void Prune(const QString& folder, const Retention& retention);

// When a journal last written at `lastWrite` may go by age: with the first run that starts
// after that time. Invalid when the retention keeps journals whatever their age.
QDateTime GoesAfter(const QDateTime& lastWrite, const Retention& retention);

} // namespace journal
