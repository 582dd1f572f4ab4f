#pragma once

#include "change/change_run.h"

#include <QStringList>

// A change-run host without a window: fixed answers for the lists and the case box, the
// progress kept in a field, each yield a pass of the event loop, and every message and
// fault kept for the benchmark to check.
class HeadlessHost : public ChangeRunHost {
public:
    HeadlessHost(ConnectionProfile profile, QString table, QString field);

    int FieldCount() override { return 1; }
    ConnectionProfile Profile() override { return profile_; }
    QString CurrentTable() override { return table_; }
    QString CurrentField() override { return field_; }
    QString CaseBoxText() override { return caseBox_; }
    void SetPointer(int) override {}
    void SetProgress(double percent) override { progress_ = percent; }
    void SetProgressText(const QString&) override {}
    void Yield() override;
    void RecasePreview(Case::CaseMode) override {}
    void Show(const QString& message) override { shown_.append(message); }
    void Report(const QString& description, int step) override;

    // Reports, and any message other than the final "Done.".
    QStringList Faults() const;
    int Yields() const { return yields_; }

protected:
    void CountYield() { ++yields_; }

private:
    ConnectionProfile profile_;
    QString table_;
    QString field_;
    QString caseBox_ = QStringLiteral("UPPER CASE");
    double progress_ = 0;
    int yields_ = 0;
    QStringList shown_;
    QStringList reports_;
};
