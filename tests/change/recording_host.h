#pragma once

#include "change/change_run.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <functional>

// A change-run host without a window: it answers from its fields and records what the run
// shows, so tests can read the whole conversation.
class RecordingHost : public ChangeRunHost {
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

    QList<int> pointers;
    QList<double> progress;
    QStringList progressTexts;
    QStringList shown;
    QList<QPair<QString, int>> reports;
    QList<Case::CaseMode> recased;
    int yields = 0;

    int FieldCount() override { return fieldCount; }
    ConnectionProfile Profile() override { return profile; }
    QString CurrentTable() override;
    QString CurrentField() override;
    QStringList SelectedFields() override { return selected; }
    QString CaseBoxText() override { return caseBox; }
    void SetPointer(int setting) override { pointers.append(setting); }
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

// The run ended after one report at the step, claiming nothing: no "Done.", nothing
// recased, pointer and progress bar reset.
void VerifyEndedAfterOneReport(const RecordingHost& host, int step);
