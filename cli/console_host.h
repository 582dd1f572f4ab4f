#pragma once

#include "change/change_run.h"

#include <QStringList>

namespace cli {

// The change run's host on the command line: table, column and case from the options,
// progress and reports on standard error, Ctrl-C as the request to stop.
class ConsoleHost : public ChangeRunHost {
public:
    struct Options {
        ConnectionProfile profile;
        QString table;
        QStringList columns; // one or more; several are changed in one run
        QString caseBox;     // "UPPER CASE", "lower case", "Proper Case" or "Sentence case"
    };
    explicit ConsoleHost(Options options) : options_(std::move(options)) {}

    int FieldCount() override { return 1; }
    ConnectionProfile Profile() override { return options_.profile; }
    QString CurrentTable() override { return options_.table; }
    QString CurrentField() override { return options_.columns.value(0); }
    QStringList SelectedFields() override { return options_.columns; }
    QString CaseBoxText() override { return options_.caseBox; }
    std::optional<Case::CaseMode> ChosenMode() override { return chosen_; }
    Case::NameExceptions Exceptions() override { return exceptions_; }
    // Runs Name Case, which the case box does not offer, with the user's exceptions.
    void ChooseNameCase(Case::NameExceptions exceptions) {
        chosen_ = Case::CaseMode::Names;
        exceptions_ = std::move(exceptions);
    }
    void SetPointer(int) override {}
    void SetProgress(double percent) override;
    void SetProgressText(const QString&) override {}
    void Yield() override {}
    void RecasePreview(Case::CaseMode) override {}
    void Show(const QString& message) override { shown_.append(message); }
    void Report(const QString& description, int step) override;
    void Note(const QString& note) override;
    bool StopRequested() override;
    bool KeepsJournal() override { return true; }

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

    Options options_;
    std::optional<Case::CaseMode> chosen_;
    Case::NameExceptions exceptions_;
    QStringList shown_;
    QStringList heldReports_;
    QStringList reported_; // the descriptions reported, simplified
    bool rowsMoving_ = false;
    int highest_ = 0;       // the highest percentage so far
    int shownPercent_ = -1; // the percentage the terminal bar shows, -1 when none
    int decile_ = 0;        // the last 10% step printed without a terminal
    bool barDrawn_ = false;
};

} // namespace cli
