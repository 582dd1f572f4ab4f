#pragma once

#include "change/change_run.h"

#include <QStringList>
#include <chrono>
#include <optional>

// A change-run host without a window: fixed answers for the lists and the case box, the
// progress kept in a field, each yield the program's own (events served every 10 ms), and
// every message and fault kept for the benchmark to check.
class HeadlessHost : public ChangeRunHost {
public:
    using Clock = std::chrono::steady_clock;

    // `caseBox` is the case box's text ("UPPER CASE", "Proper Case"), or "Name Case" for the
    // case the box does not offer; `journal` whether the
    // run keeps its journal.
    HeadlessHost(ConnectionProfile profile, QString table, QString field, QString caseBox,
                 bool journal);

    int FieldCount() override { return 1; }
    ConnectionProfile Profile() override { return profile_; }
    QString CurrentTable() override { return table_; }
    QString CurrentField() override { return field_; }
    QString CaseBoxText() override { return caseBox_; }
    std::optional<Case::CaseMode> ChosenMode() override {
        if (caseBox_ == QLatin1String(Case::NameCaseText))
            return Case::CaseMode::Names;
        return std::nullopt;
    }
    void SetPointer(int) override {}
    void SetProgress(double percent) override;
    void SetProgressText(const QString&) override {}
    void Yield() override;
    void RecasePreview(Case::CaseMode) override {}
    void Show(const QString& message) override;
    void Report(const QString& description, int step) override;
    bool KeepsJournal() override { return journal_; }
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
