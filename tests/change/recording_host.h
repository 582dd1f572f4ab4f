#pragma once

#include "change/change_run.h"
#include "change/undo_run.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <functional>

// A change run's request, observer and waiter without a window: the request comes from its
// fields, and it records what the run shows, so tests can read the whole conversation.
class RecordingHost : public RunObserver, public RunWaiter {
public:
    int fieldCount = 1;
    ConnectionProfile profile;
    QString table;
    QString field;
    QStringList selected; // the fields marked selected
    QString caseBox = "UPPER CASE";
    QStringList preview;
    // Runs at every yield, with the number of yields so far (from 1).
    std::function<void(int)> onYield;

    QList<bool> busy; // the busy pointer set on or off
    QList<double> progress;
    QStringList progressTexts;
    QStringList shown;
    QList<QPair<QString, int>> reports;
    QList<Case::CaseMode> recased;
    int yields = 0;

    // The run the fields ask for; a null table or field is a list without a current item.
    RunRequest Request() const;

    void SetBusy(bool on) override { busy.append(on); }
    void SetProgress(double percent) override { progress.append(percent); }
    void SetProgressText(const QString& text) override { progressTexts.append(text); }
    void Yield() override;
    void RecasePreview(Case::CaseMode mode) override;
    void Show(const QString& message) override { shown.append(message); }
    void Report(const QString& description, int step) override {
        reports.append({description, step});
    }

    QList<int> reportedSteps() const;
    // The reports, one "step: description" a line, for failure messages.
    QString describeReports() const;
};

// Runs the host's request, the host showing and waiting.
RunSummary RunChange(RecordingHost& host);
// Undoes the run (0: the newest) with the host's profile.
RunSummary UndoRun(RecordingHost& host, qint64 runId = 0);

// The run ended after one report at the step, claiming nothing: no "Done.", nothing
// recased, pointer and progress bar reset.
void VerifyEndedAfterOneReport(const RecordingHost& host, int step);
