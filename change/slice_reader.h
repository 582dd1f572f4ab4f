#pragma once

#include "change/pipeline/stage_thread.h"
#include "change/progress_estimate.h"
#include "change/row_source.h"
#include "change/run_observer.h"

#include <functional>
#include <future>
#include <vector>

class RunSession;

// The run's read: a slice of rows at a time from the session's reading connection, the next
// slice read on a thread of its own while the caller converts this one. Every wait goes
// through the caller's waiter. A read that loses its snapshot or its connection starts again
// once on a new connection; it also follows how many rows it will have read in all.
class SliceReader {
public:
    // `settle`: called before the read starts again, to settle the rows handed on so far;
    // false where the run ended meanwhile (the read then ends too).
    SliceReader(RunSession& session, RunWaiter& waiter, std::function<bool()> settle);

    // Opens the read of the columns (waiting through the waiter).
    void Open(const QString& table, const QStringList& columns);
    // Takes the database's estimate of the rows the read will read.
    void Estimate() { total_ = ReadTotal(source_.Count(), source_.Pages()); }
    const RowSource& Source() const { return source_; }

    // Takes the next slice (read ahead while the one before was converted) and starts reading
    // the one after; true when there was none. Throws what the read threw, unless the user
    // asked the run to stop (the read then ends quietly) or the read could start again.
    bool Next();
    // The current slice is used up.
    bool Ended() const { return at_ >= slice_.size(); }
    SourceRow Take() { return std::move(slice_[at_++]); }

    // The rows the read will have read in all, by the estimate corrected as it goes; `read`
    // once the read ended. `read`: the rows taken so far.
    qint64 ExpectedTotal(qint64 read) const;

    // Cancels a read ahead and waits for it through the waiter, so that the reader's thread is
    // idle when it is joined and a stalled fetch never holds the caller's thread.
    void Stop();
    void Close();
    double CpuSeconds() { return thread_.CpuSeconds(); }

private:
    void ReadAhead();
    bool Reopen();

    RunSession& session_;
    RunWaiter& waiter_;
    std::function<bool()> settle_;
    QString table_;
    QStringList columns_;
    RowSource source_;
    std::vector<SourceRow> slice_;
    std::size_t at_ = 0;
    qint64 delivered_ = 0; // rows of every slice so far
    qint64 before_ = 0;    // rows taken before the read was opened again
    ReadTotal total_;      // the rows this read will have read in all, corrected as it goes
    bool reading_ = true;  // rows are still coming
    bool reopened_ = false;
    // Declared last, so that the thread ends first.
    StageThread thread_{"run reader"};
    std::future<std::vector<SourceRow>> ahead_;
};
