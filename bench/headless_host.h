#pragma once

#include "change/change_run.h"

#include <QStringList>
#include <chrono>
#include <optional>

// A change run's observer and waiter without a window: a fixed request, the progress kept in
// a field, each yield the program's own (events served every 10 ms), and every message and
// fault kept for the benchmark to check.
class HeadlessHost : public RunObserver, public RunWaiter {
public:
    using Clock = std::chrono::steady_clock;

    // `caseBox` is the case box's text ("UPPER CASE", "Proper Case"), or "Name Case" for the
    // case the box does not offer; `journal` whether the
    // run keeps its journal.
    HeadlessHost(ConnectionProfile profile, QString table, QString field, QString caseBox,
                 bool journal);

    // The run on the field of the table, to the case of the box.
    RunRequest Request() const;

    void SetBusy(bool) override {}
    void SetProgress(double percent) override;
    void SetProgressText(const QString&) override {}
    void Yield() override;
    void RecasePreview(Case::CaseMode) override {}
    void Show(const QString& message) override;
    void Report(const QString& description, int step) override;
    bool StopRequested() override { return stopAtFirstCommit_ && firstCommitAt_.has_value(); }

    // Asks the run to stop once its first group is committed.
    void StopAtFirstCommit() { stopAtFirstCommit_ = true; }

    // Reports, and any message other than the final "Done." (none for a run asked to stop).
    QStringList Faults() const;
    int Yields() const { return yields_; }
    // When "Done." was shown, if it was.
    std::optional<Clock::time_point> DoneAt() const { return doneAt_; }
    // When the bar first moved, if it did: it follows the rows the database confirmed, so
    // that is when the first group was committed.
    std::optional<Clock::time_point> FirstCommitAt() const { return firstCommitAt_; }

protected:
    void CountYield() { ++yields_; }

private:
    ConnectionProfile profile_;
    QString table_;
    QString field_;
    QString caseBox_;
    bool journal_;
    bool stopAtFirstCommit_ = false;
    double progress_ = 0;
    int yields_ = 0;
    QStringList shown_;
    QStringList reports_;
    std::optional<Clock::time_point> doneAt_;
    std::optional<Clock::time_point> firstCommitAt_;
};
