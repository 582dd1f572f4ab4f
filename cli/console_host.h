#pragma once

#include "change/change_run.h"

#include <QStringList>

namespace cli {

// What the user sees of a run on the command line: progress and reports on standard error,
// the messages kept for the run's summary.
class ConsoleHost : public RunObserver {
public:
    void SetBusy(bool) override {}
    void SetProgress(double percent) override;
    void SetProgressText(const QString&) override {}
    void RecasePreview(Case::CaseMode) override {}
    void Show(const QString& message) override { shown_.append(message); }
    void Report(const QString& description, int step) override;
    void Note(const QString& note) override;

    // Ends the progress bar's line, if one is drawn.
    void EndProgress();
    // Prints the reports held back while no row had moved yet.
    void FlushReports();
    // What the run showed besides "Done.", for a run that started.
    QStringList Shown() const;
    // Why a run that did not start failed: its failure, else what it showed or reported.
    QString Cause(const RunSummary& summary) const;
    // Whether a report of the run said this already.
    bool Reported(const QString& description) const;

private:
    void ClearBar();

    QStringList shown_;
    QStringList heldReports_;
    QStringList reported_; // the descriptions reported, simplified
    bool rowsMoving_ = false;
    int highest_ = 0;       // the highest percentage so far
    int shownPercent_ = -1; // the percentage the terminal bar shows, -1 when none
    int decile_ = 0;        // the last 10% step printed without a terminal
    bool barDrawn_ = false;
};

// A run's waits on the command line: in place, with Ctrl-C as the request to stop.
class ConsoleWaiter : public RunWaiter {
public:
    bool StopRequested() override;
};

} // namespace cli
