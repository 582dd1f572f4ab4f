#include "ui/form2.h"

#include "app/app_title.h"
#include "app/blocking_call.h"
#include "app/error_report.h"
#include "app/files.h"
#include "app/look_and_feel.h"
#include "app/messages.h"
#include "app/twips.h"
#include "app/window_system.h"
#include "change/change_run.h"
#include "change/undo_run.h"
#include "db/dialect/catalogue.h"
#include "db/listings.h"
#include "ui/field_menu/changes_preview.h"
#include "ui/field_menu/field_menu.h"
#include "ui/field_menu/last_run.h"
#include "ui/flag_scope.h"
#include "ui/form1.h"
#include "ui/list_views.h"
#include "ui/program_icon.h"
#include "ui/progress_bar.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <array>
#include <exception>

namespace {

const QString WindowName = QStringLiteral("Form2");
const QString WaitingText = QStringLiteral("Waiting for the database...");
// %1: the rows the run changed before it stopped.
const QString StoppedText = QStringLiteral(
    "The run was stopped.\nRows changed: %1\nThe changes can be undone with \"Undo Last "
    "Run...\" in the field list's menu (right mouse button on the field).");
constexpr std::chrono::milliseconds LongWait{2000};

// What "Change to Name Case..." asks first: the table, the fields and the rows estimated
// (-1: not known).
QString NameCaseQuestion(const QString& table, const QStringList& fields, qint64 rows) {
    const QString size = rows < 0 ? QStringLiteral("an unknown number of rows")
                                  : QStringLiteral("about %1 rows").arg(rows);
    return QStringLiteral("Change %1 of %2 (%3) to Name Case?\n\nEach value is written as a name "
                          "or an address is written: \"O'Brien\", \"Ludwig van Beethoven\", "
                          "\"Henry VIII\", \"4th Avenue\". \"Undo Last Run...\" puts the old "
                          "values back.")
        .arg(fields.join(QLatin1String(", ")), table, size);
}

// What a listing opens with: the busy pointer, put back to the default however the listing
// ends (step 102), and a connection of its own (104).
class ListingConnection {
public:
    ListingConnection(Form2& window, const ConnectionProfile& profile, int& step)
        : window_(window) {
        step = 102;
        window_.Pointer().Set(WindowPointer::Busy);
        step = 104;
        window_.WaitForDatabase([&] { Oracle::OpenForListing(connection_, profile); });
    }
    ~ListingConnection() { window_.Pointer().Set(WindowPointer::Default); }
    ListingConnection(const ListingConnection&) = delete;
    ListingConnection& operator=(const ListingConnection&) = delete;

    db::Connection& connection() { return connection_; }
    // Runs a call on the connection off the window thread; closing the program cancels it.
    void Wait(const std::function<void()>& call) {
        window_.WaitForDatabase(call, [this] { connection_.Cancel(); });
    }

private:
    Form2& window_;
    db::Connection connection_;
};

} // namespace

// What the user sees of a run in the work window. An undo, none of the window's numbered
// procedures, shows a fault as a plain message instead of a report.
class WorkWindowObserver : public RunObserver {
public:
    enum class Faults { Reported, Plain };
    WorkWindowObserver(Form2& window, Faults faults) : w_(window), faults_(faults) {}

    void SetBusy(bool busy) override {
        w_.pointer_.Set(busy ? WindowPointer::Busy : WindowPointer::Default);
    }
    void SetProgress(double percent) override { w_.ProgressBar1->SetValue(percent); }
    void SetProgressText(const QString& text) override { w_.ProgressBar1->SetText(text); }
    // The preview is read again rather than recased on screen: it shows what the database
    // holds, rows refused or left alone included. A fault is the run's step's.
    void RecasePreview(Case::CaseMode) override {
        int step = 0;
        w_.ListPreview(step);
    }
    void Show(const QString& message) override { ShowMessage(message); }
    void Report(const QString& description, int step) override {
        if (faults_ == Faults::Plain)
            ShowMessage(QStringLiteral("The undo met a fault: %1").arg(description));
        else
            ShowErrorReport(description, WindowName, QStringLiteral("PushButton1_Click"), step);
    }
    // The first refused rows are reported one by one; the rest only count, in the run's one
    // message before "Done.", so that a constraint refusing every row is not a box per row.
    void Refused(const QString& description, int step) override {
        if (refused_++ < ReportedRefusals)
            Report(description, step);
    }

private:
    static constexpr int ReportedRefusals = 10;

    Form2& w_;
    const Faults faults_;
    int refused_ = 0;
};

// A run's waits in the work window: off the window thread while the window handles its
// events; Esc asks the run to stop and cancels the call it waits on.
class WorkWindowWaiter : public RunWaiter {
public:
    explicit WorkWindowWaiter(Form2& window) : w_(window) {}

    void Wait(const std::function<void()>& call) override {
        w_.WaitForDatabase(call, w_.cancelRun_);
    }
    void Yield() override { YieldToWindowSystem(); }
    void SetCanceller(std::function<void()> cancel) override { w_.cancelRun_ = std::move(cancel); }
    bool StopRequested() override { return w_.stopRequested_; }

private:
    Form2& w_;
};

// A list's current item, or why there is none (the run reports that at its step).
CurrentItem TakeCurrent(const std::function<QString()>& current) {
    try {
        return {current(), {}};
    } catch (const std::exception& error) {
        return {std::nullopt, QString::fromUtf8(error.what())};
    }
}

// A run under way: presses that would start another operation are ignored, and the case box
// and the lists take no input (disabled), so the case the run started with is the case of
// every row and the table list's highlight names the table the run writes.
class Form2::RunScope {
public:
    explicit RunScope(Form2& window) : window_(window), running_(window.running_) {
        window_.stopRequested_ = false;
        for (QWidget* control : Held())
            control->setEnabled(false);
    }
    ~RunScope() {
        for (QWidget* control : Held())
            control->setEnabled(true);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    std::array<QWidget*, 3> Held() const {
        return {window_.Combo1, window_.ListView1, window_.ListView2};
    }

    Form2& window_;
    FlagScope running_;
};

Form2::Form2(Form1* connectionWindow) : form1_(connectionWindow), pointer_(this) {
    BuildControls();
    ConnectControls();
    CentreOnScreen(this);
}

void Form2::ConnectControls() {
    for (QTreeWidget* list : {ListView1, ListView2}) {
        list->viewport()->installEventFilter(this);
        list->installEventFilter(this);
    }
    new FieldMenu(ListView2, {[this] { return !Busy(); },
                              [this] {
                                  return fieldsTable_ &&
                                         LastRun::Find(form1_->Profile(), *fieldsTable_,
                                                       ListViews::CurrentText(ListView2));
                              },
                              [this] { PreviewChanges(); }, [this] { UndoLastRun(); },
                              [this] { ChangeToNameCase(); }});
    preview_ = new ChangesPreview(
        this, [this](const std::function<void()>& call, const std::function<void()>& cancel) {
            WaitForDatabase(call, cancel);
        });
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
}

void Form2::Form_Load() {
    Steps steps = ReportingSteps(WindowName, QStringLiteral("Form_Load"));
    steps.Run(100, [&] { RecolourWindow(this); });
    steps.Run(102, [&] { setWindowIcon(ProgramIcon()); });
    if (steps.Test(106, [&] { return FileExists(HandCursorPath()); }))
        steps.Run(108, [&] { pointer_.LoadHand(HandCursorPath()); });
    steps.Run(110, [&] { setWindowTitle(QString::fromUtf8(ProductName)); });
    {
        FlagScope listing(listing_);
        steps.Run(112, [&] {
            ListView1->clear();
            ListView2->clear();
            ListView3->clear();
            fieldsTable_.reset();
            listedTable_.clear();
            previewedField_.clear();
            // The read waits off the window thread; the list fills here, yielding per item.
            // A read that failed part way lists what it read before its fault is reported.
            const ConnectionProfile profile = form1_->Profile();
            QStringList tables;
            std::exception_ptr failure;
            pointer_.Set(WindowPointer::Busy);
            try {
                WaitForDatabase([&] {
                    Oracle::FillTableList(profile,
                                          [&](const QString& table) { tables.append(table); });
                });
            } catch (...) {
                failure = std::current_exception();
            }
            pointer_.Set(WindowPointer::Default);
            for (const QString& table : tables) {
                YieldToWindowSystem();
                ListViews::Append(ListView1, table);
            }
            if (failure)
                std::rethrow_exception(failure);
        });
        if (steps.Test(114, [&] { return ListView1->topLevelItemCount() > 0; })) {
            steps.Run(114, [&] {
                int step = 0;
                ListColumns(step);
            });
        }
        FollowHighlights();
    }
    steps.Run(116, [&] {
        Combo1->clear();
        Combo1->addItem(QStringLiteral("UPPER CASE"));
    });
    steps.Run(118, [&] { Combo1->addItem(QStringLiteral("lower case")); });
    steps.Run(120, [&] { Combo1->addItem(QStringLiteral("Proper Case")); });
    steps.Run(122, [&] { Combo1->addItem(QStringLiteral("Sentence case")); });
    steps.Run(124, [&] { Combo1->setCurrentIndex(0); });
    steps.Run(126, [&] { ListViews::SetHeader(ListView1, QStringLiteral("Table(s)")); });
    steps.Run(128, [&] { ListViews::SetColumnWidth(ListView1, 4000); });
    steps.Run(130, [&] { ListViews::SetHeader(ListView2, QStringLiteral("Field(s)")); });
    steps.Run(132, [&] { ListViews::SetColumnWidth(ListView2, 4000); });
    steps.Run(134, [&] {
        ListViews::SetHeader(ListView3, QStringLiteral("First 100 Entries (Preview)"));
    });
    steps.Run(136, [&] { ListViews::SetColumnWidth(ListView3, 8000); });
}

void Form2::ListColumns(int& step) {
    listedTable_ = ListViews::HighlightedText(ListView1);
    step = 100;
    ListingConnection listing(*this, form1_->Profile(), step);
    step = 106;
    const QString table = ListViews::CurrentText(ListView1);
    QStringList columns;
    listing.Wait([&] { columns = Oracle::ColumnNames(listing.connection(), table); });
    step = 108;
    ListView2->clear();
    ListView3->clear();
    fieldsTable_ = table;
    previewedField_.clear();
    step = 112;
    for (const QString& column : columns) {
        YieldToWindowSystem();
        ListViews::Append(ListView2, column);
    }
    step = 114;
    pointer_.Set(WindowPointer::Default);
    step = 116;
    if (ListView2->topLevelItemCount() > 0) {
        int previewStep = 0;
        ListPreview(previewStep);
    }
}

void Form2::ListPreview(int& step) {
    previewedField_ = ListViews::HighlightedText(ListView2);
    step = 100;
    ListingConnection listing(*this, form1_->Profile(), step);
    step = 106;
    const QString table = FieldsTable();
    const QString column = ListViews::CurrentText(ListView2);
    // The few values are read off the window thread and listed here, yielding per value; a
    // read that failed after the statement ran lists what it read before its fault.
    bool opened = false;
    QStringList values;
    std::exception_ptr failure;
    try {
        listing.Wait([&] {
            Oracle::ReadPreview(
                listing.connection(), table, column, [&] { opened = true; },
                [&](const QString& value) { values.append(value); });
        });
    } catch (...) {
        failure = std::current_exception();
    }
    if (opened) {
        step = 108;
        ListView3->clear();
        step = 110;
        YieldToWindowSystem();
        step = 112;
        for (const QString& value : values) {
            YieldToWindowSystem();
            ListViews::Append(ListView3, value);
        }
    }
    if (failure)
        std::rethrow_exception(failure);
    step = 114;
}

void Form2::WaitForDatabase(const std::function<void()>& call,
                            const std::function<void()>& cancel) {
    WaitOffThread(call, cancel,
                  {LongWait, [this](bool waiting) {
                       longWaits_ += waiting ? 1 : -1;
                       ProgressBar1->SetNotice(longWaits_ > 0 ? WaitingText : QString());
                   }});
}

RunRequest Form2::Request() const {
    RunRequest request;
    request.profile = form1_->Profile();
    request.fieldCount = ListView2->topLevelItemCount();
    request.table = TakeCurrent([this] { return FieldsTable(); });
    request.field = TakeCurrent([this] { return ListViews::CurrentText(ListView2); });
    request.selected = ListViews::SelectedTexts(ListView2);
    request.caseBox = Combo1->currentText();
    if (nameCase_) {
        request.chosenMode = Case::CaseMode::Names;
        request.exceptions = *nameCase_;
    }
    return request;
}

QString Form2::FieldsTable() const {
    if (!fieldsTable_)
        throw std::runtime_error("Object variable or With block variable not set");
    return *fieldsTable_;
}

void Form2::RunUserListing(const char* procedure, void (Form2::*listing)(int&)) {
    if (Busy())
        return; // one listing at a time: a click during a listing or a run is ignored
    FlagScope scope(listing_);
    RunListing(procedure, listing);
    FollowHighlights();
}

void Form2::RunListing(const char* procedure, void (Form2::*listing)(int&)) {
    int step = 0;
    try {
        (this->*listing)(step);
    } catch (const std::exception& e) {
        ShowErrorReport(QString::fromUtf8(e.what()), WindowName, QLatin1String(procedure), step);
    }
}

void Form2::FollowHighlights() {
    // Each pass starts by noting the highlight it lists, so a listing that fails is not
    // repeated; only a move during the pass brings another.
    for (;;) {
        if (ListViews::HighlightedText(ListView1) != listedTable_)
            RunListing("ListView1_Click", &Form2::ListColumns);
        else if (ListViews::HighlightedText(ListView2) != previewedField_)
            RunListing("ListView2_Click", &Form2::ListPreview);
        else
            return;
    }
}

void Form2::ListView1_Click() {
    RunUserListing("ListView1_Click", &Form2::ListColumns);
}

void Form2::ListView2_Click() {
    RunUserListing("ListView2_Click", &Form2::ListPreview);
}

void Form2::PushButton1_Click() {
    if (Busy())
        return; // a second "Start Changing", or one during a listing
    // The run writes the table whose fields the list shows. Where the highlight is on another
    // table (its listing failed), that table is listed again, as a click on it would, and
    // nothing is written: a run never starts on a table that is not highlighted.
    if (ListViews::HighlightedText(ListView1) != fieldsTable_.value_or(QString())) {
        RunUserListing("ListView1_Click", &Form2::ListColumns);
        return;
    }
    RunSummary summary;
    {
        RunScope scope(*this);
        WorkWindowObserver observer(*this, WorkWindowObserver::Faults::Reported);
        WorkWindowWaiter waiter(*this);
        summary = RunChange(Request(), observer, waiter);
    }
    // Stopped with Esc: instead of "Done.", what was changed, then the column as it is now.
    if (summary.stopped) {
        ShowMessage(StoppedText.arg(summary.rows.written));
        RunUserListing("ListView2_Click", &Form2::ListPreview);
    }
}

void Form2::PreviewChanges() {
    if (Busy())
        return;
    // A read like a listing: other operations wait for it; the dialog's close ends it.
    FlagScope listing(listing_);
    const QString caseName = Combo1->currentText();
    const std::optional<Case::CaseMode> mode = Case::MatchCaseMode(caseName);
    if (!fieldsTable_ || !mode || !ListView2->currentItem())
        return;
    preview_->List(form1_->Profile(), *fieldsTable_, ListViews::CurrentText(ListView2), *mode,
                   caseName);
    FollowHighlights();
}

void Form2::UndoLastRun() {
    if (Busy() || !fieldsTable_ || !ListView2->currentItem())
        return;
    const std::optional<journal::RunInfo> run =
        LastRun::Find(form1_->Profile(), *fieldsTable_, ListViews::CurrentText(ListView2));
    if (!run || !AskYesNo(LastRun::Question(*run)))
        return;
    // As a run: busy pointer, the bar, the lists and case box held, Esc stops it.
    RunSummary summary;
    {
        RunScope scope(*this);
        WorkWindowObserver observer(*this, WorkWindowObserver::Faults::Plain);
        WorkWindowWaiter waiter(*this);
        pointer_.Set(WindowPointer::Busy);
        summary = UndoRun(form1_->Profile(), run->id, observer, waiter);
        pointer_.Set(WindowPointer::Default);
        ProgressBar1->SetValue(0);
        ProgressBar1->SetText(QStringLiteral("Progress Bar"));
    }
    ShowMessage(LastRun::Outcome(summary, run->id));
    RunUserListing("ListView2_Click", &Form2::ListPreview);
}

void Form2::ChangeToNameCase() {
    if (Busy() || !fieldsTable_ || !ListView2->currentItem())
        return;
    Case::NameExceptions exceptions;
    try {
        exceptions = Case::DefaultNameExceptions();
    } catch (const std::runtime_error& error) {
        ShowMessage(QString::fromUtf8(error.what()));
        return;
    }
    QStringList fields = ListViews::SelectedTexts(ListView2);
    if (fields.size() < 2)
        fields = {ListViews::CurrentText(ListView2)};
    // The database's estimate, as a listing reads: a fault leaves the question without it.
    qint64 rows = -1;
    {
        FlagScope listing(listing_);
        try {
            int step = 0;
            ListingConnection estimate(*this, form1_->Profile(), step);
            estimate.Wait([&] {
                db::Connection& connection = estimate.connection();
                rows = db::EstimateRows(connection, db::Dialect::Of(connection, *fieldsTable_),
                                        *fieldsTable_)
                           .rows;
            });
        } catch (const std::exception&) {
            rows = -1;
        }
    }
    if (!AskYesNo(NameCaseQuestion(*fieldsTable_, fields, rows)))
        return;
    nameCase_ = std::move(exceptions);
    const auto runEnded = qScopeGuard([this] { nameCase_.reset(); });
    PushButton1_Click();
}

namespace {
void MarkAllFields(QTreeWidget* list, bool selected, const char* procedure) {
    Steps steps = ReportingSteps(WindowName, QLatin1String(procedure));
    int count = 0;
    steps.Run(100, [&] { count = list->topLevelItemCount(); });
    for (int i = 0; i < count; ++i) {
        steps.Run(102, [&] { list->topLevelItem(i)->setSelected(selected); });
        steps.Run(104, [] {});
    }
}
} // namespace

void Form2::PushButton2_Click() {
    if (running_)
        return; // the field list keeps its marks while a run works on it
    MarkAllFields(ListView2, true, "PushButton2_Click");
}

void Form2::PushButton3_Click() {
    if (running_)
        return;
    MarkAllFields(ListView2, false, "PushButton3_Click");
}

void Form2::PushButton5_Click() {
    if (Busy())
        return; // going back would reload the window under the listing or the run
    Steps steps = ReportingSteps(WindowName, QStringLiteral("PushButton5_Click"));
    steps.Run(100, [&] { form1_->show(); });
    steps.Run(102, [&] { hide(); });
}

void Form2::closeEvent(QCloseEvent* event) {
    event->accept();
    EndProgram();
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && running_) {
        stopRequested_ = true;
        if (cancelRun_)
            cancelRun_();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    // A click anywhere in a list runs its listing; the press has made the clicked item
    // current. Keyboard movement runs the listing of the item it made current.
    QTreeWidget* list = nullptr;
    for (QTreeWidget* candidate : {ListView1, ListView2})
        if (watched == candidate || watched == candidate->viewport())
            list = candidate;
    if (!list)
        return QWidget::eventFilter(watched, event);
    auto runListing = [this, list] {
        if (list == ListView1)
            ListView1_Click();
        else
            ListView2_Click();
    };
    if (event->type() == QEvent::MouseButtonRelease && watched == list->viewport() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        runListing();
    } else if (event->type() == QEvent::KeyPress && watched == list) {
        const QTreeWidgetItem* before = list->currentItem();
        QMetaObject::invokeMethod(
            this,
            [list, before, runListing] {
                if (list->currentItem() && list->currentItem() != before)
                    runListing();
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
