#pragma once

#include "casing/case_rules.h"
#include "db/connection_profile.h"

#include <QDialog>
#include <QList>
#include <functional>

class QLabel;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

// "Preview Changes...": the rows of a field whose text a case would change, old and new side
// by side, listed as the dry run reads them. It writes nothing. The dialog can be closed at
// any time; closing it ends the read.
class ChangesPreview : public QDialog {
public:
    // Runs a database call off the window thread; `cancel` stops it.
    using Wait =
        std::function<void(const std::function<void()>& call, const std::function<void()>& cancel)>;

    // The first rows listed; the count goes on over all of them.
    static constexpr int Listed = 10000;

    ChangesPreview(QWidget* parent, Wait wait);

    // Shows the dialog and fills it for the table's field and the case named `caseName`;
    // returns when the read has ended or the dialog was closed.
    void List(const ConnectionProfile& profile, const QString& table, const QString& field,
              Case::CaseMode mode, const QString& caseName);

    QTreeWidget* Rows() const { return rows_; }
    QLabel* Status() const { return status_; }

protected:
    void done(int result) override;

private:
    class Host;

    // Puts the rows read since the last call into the list.
    void Flush();

    Wait wait_;
    QLabel* heading_;
    QTreeWidget* rows_;
    QProgressBar* progress_;
    QLabel* status_;
    QList<QTreeWidgetItem*> pending_;
    bool closed_ = false;
    std::function<void()> cancel_;
};
