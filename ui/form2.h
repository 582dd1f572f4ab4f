#pragma once

#include "app/pointer.h"
#include "casing/name_exceptions.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class ChangesPreview;
class Form1;
struct RunRequest;
class ProgressBar;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTreeWidget;

// The work window: the user's tables, a table's fields, a preview of a field's first values,
// the case box and the change run.
class Form2 : public QWidget {
public:
    explicit Form2(Form1* connectionWindow);

    // The initialisation, run each time the window is entered.
    void Form_Load();

    void ListView1_Click();   // columns of the current table, then the first column's preview
    void ListView2_Click();   // preview of the current field
    void PushButton1_Click(); // "Start Changing"
    void PushButton2_Click(); // "Select All Fields"
    void PushButton3_Click(); // "Unselect All Fields"
    void PushButton5_Click(); // "Setup Connection"
    // The field list's menu.
    void PreviewChanges(); // "Preview Changes...": what the case box's case would change
    void UndoLastRun();    // "Undo Last Run...": the last run on the current field undone
    // "Change to Name Case...": asks, then changes as "Start Changing" does, in Name Case.
    void ChangeToNameCase();

    // Runs a database call off the window thread (WaitOffThread); while a call has waited
    // more than two seconds, the progress bar says that the window waits for the database.
    void WaitForDatabase(const std::function<void()>& call,
                         const std::function<void()>& cancel = {});

    WindowPointer& Pointer() { return pointer_; }
    ChangesPreview* Preview() const { return preview_; }
    Form1* ConnectionWindow() const { return form1_; }
    // A listing or a preview's read, or a run or an undo, is under way.
    bool Busy() const { return listing_ || running_; }

    QTreeWidget* ListView1;
    QTreeWidget* ListView2;
    QPushButton* PushButton2;
    QPushButton* PushButton3;
    QTreeWidget* ListView3;
    QGroupBox* Frame1;
    QComboBox* Combo1;
    QPushButton* PushButton1;
    QPushButton* PushButton5;
    ProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* event) override; // Form_Unload
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc during a run asks it to stop.
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class WorkWindowObserver;
    friend class WorkWindowWaiter;
    class RunScope;

    void BuildControls();
    void ConnectControls();
    // The listings; each throws at its first fault with `step` naming the step in progress,
    // and leaves the pointer at the default whichever way it ends.
    void ListColumns(int& step);
    void ListPreview(int& step);
    // The table the field list was filled from; throws when it holds none. The preview and
    // the change run work on it, whatever the table list's current item is now.
    QString FieldsTable() const;
    // What "Start Changing" asks of the run: the lists' and the case box's items now.
    RunRequest Request() const;
    // A listing started by the user: ignored while another operation runs, reported when it
    // fails.
    void RunUserListing(const char* procedure, void (Form2::*listing)(int&));
    // Runs a listing, reporting its fault as a fault of the procedure.
    void RunListing(const char* procedure, void (Form2::*listing)(int&));
    // Lists the highlighted table or previews the highlighted field where a key or click
    // moved the highlight while another listing waited (it was ignored then), until the
    // highlights settle.
    void FollowHighlights();

    Form1* form1_;
    WindowPointer pointer_;
    bool listing_ = false;
    bool running_ = false;
    int longWaits_ = 0; // calls that have waited more than two seconds and not yet returned
    // Esc during a run: the run ends after the group in flight; cancelRun_ cancels the
    // database call it waits on.
    bool stopRequested_ = false;
    std::function<void()> cancelRun_;
    // Set while "Change to Name Case..." runs: the run's case instead of the case box's, with
    // the user's exceptions.
    std::optional<Case::NameExceptions> nameCase_;
    std::optional<QString> fieldsTable_;
    // The table list's and the field list's highlights when their listings last started.
    QString listedTable_;
    QString previewedField_;
    ChangesPreview* preview_ = nullptr;
};
