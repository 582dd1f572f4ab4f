#include "ui/field_menu/changes_preview.h"

#include "change/dry_run.h"
#include "db/error.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

// The dry run's view of the dialog: its bar, waits through the window, and the dialog's close
// as the request to stop. The dry run shows no message.
class ChangesPreview::Host : public RunObserver, public RunWaiter {
public:
    explicit Host(ChangesPreview& dialog) : d_(dialog) {}

    void SetBusy(bool) override {}
    void SetProgress(double percent) override { d_.progress_->setValue(int(percent)); }
    void SetProgressText(const QString&) override {}
    void RecasePreview(Case::CaseMode) override {}
    void Show(const QString&) override {}
    void Report(const QString&, int) override {}
    // Each wait first lists what was read before it, so the list fills while the next slice
    // is read.
    void Wait(const std::function<void()>& call) override {
        d_.Flush();
        d_.wait_(call, d_.cancel_);
    }
    void SetCanceller(std::function<void()> cancel) override { d_.cancel_ = std::move(cancel); }
    bool StopRequested() override { return d_.closed_; }

private:
    ChangesPreview& d_;
};

ChangesPreview::ChangesPreview(QWidget* parent, Wait wait)
    : QDialog(parent), wait_(std::move(wait)) {
    setWindowTitle(QStringLiteral("Preview Changes"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    heading_ = new QLabel(this);
    heading_->setWordWrap(true);
    rows_ = new QTreeWidget(this);
    rows_->setColumnCount(2);
    rows_->setHeaderLabels({QStringLiteral("Old"), QStringLiteral("New")});
    rows_->setRootIsDecorated(false);
    rows_->setUniformRowHeights(true);
    rows_->setAllColumnsShowFocus(true);
    rows_->header()->setSectionResizeMode(QHeaderView::Stretch);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    status_ = new QLabel(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QWidget* part : {static_cast<QWidget*>(heading_), static_cast<QWidget*>(rows_),
                          static_cast<QWidget*>(progress_), static_cast<QWidget*>(status_),
                          static_cast<QWidget*>(buttons)})
        layout->addWidget(part);
    resize(640, 420);
}

void ChangesPreview::List(const ConnectionProfile& profile, const QString& table,
                          const QString& field, Case::CaseMode mode, const QString& caseName) {
    closed_ = false;
    rows_->clear();
    qDeleteAll(std::exchange(pending_, {}));
    progress_->setValue(0);
    heading_->setText(QStringLiteral("Rows of %1.%2 that \"%3\" would change. Nothing is written.")
                          .arg(table, field, caseName));
    status_->setText(QStringLiteral("Reading..."));
    show();
    raise();
    activateWindow();
    Host host(*this);
    RunRequest request;
    request.profile = profile;
    request.table.text = table;
    request.field.text = field;
    qint64 listed = 0;
    QString outcome;
    try {
        const DryRunResult result =
            DryRun(request, mode, host, host, 0, [&](const QString& before, const QString& after) {
                if (++listed > Listed)
                    return;
                pending_.append(new QTreeWidgetItem(QStringList{OneLine(before), OneLine(after)}));
            });
        if (result.stopped) {
            qDeleteAll(std::exchange(pending_, {})); // closed: never listed
            return;
        }
        outcome = !result.refusal.isEmpty() ? result.refusal
                                            : QStringLiteral("%1 of %2 rows would change")
                                                  .arg(result.wouldChange)
                                                  .arg(result.read);
        if (result.wouldChange > Listed)
            outcome += QStringLiteral("; the first 10,000 are listed");
    } catch (const db::Error& error) {
        outcome = error.description().simplified();
    } catch (const std::exception& error) {
        outcome = QString::fromUtf8(error.what());
    }
    Flush();
    if (closed_)
        return;
    progress_->setValue(100);
    status_->setText(outcome);
}

void ChangesPreview::Flush() {
    if (pending_.isEmpty())
        return;
    rows_->addTopLevelItems(pending_);
    pending_.clear();
}

void ChangesPreview::done(int result) {
    // Closing ends the read after the slice in hand; a call waiting on the server is cancelled.
    closed_ = true;
    if (cancel_)
        cancel_();
    QDialog::done(result);
}
