#include "headless_host.h"

#include "app/window_system.h"

#include <QCoreApplication>
#include <utility>

HeadlessHost::HeadlessHost(ConnectionProfile profile, QString table, QString field, QString caseBox,
                           bool journal)
    : profile_(std::move(profile)), table_(std::move(table)), field_(std::move(field)),
      caseBox_(std::move(caseBox)), journal_(journal) {}

RunRequest HeadlessHost::Request() const {
    RunRequest request;
    request.profile = profile_;
    request.table.text = table_;
    request.field.text = field_;
    request.caseBox = caseBox_;
    if (caseBox_ == QLatin1String(Case::NameCaseText))
        request.chosenMode = Case::CaseMode::Names;
    request.keepsJournal = journal_;
    return request;
}

void HeadlessHost::SetProgress(double percent) {
    progress_ = percent;
    if (percent > 0 && !firstCommitAt_)
        firstCommitAt_ = Clock::now();
}

void HeadlessHost::Yield() {
    CountYield();
    // As the program's windows yield (the command line does not yield at all).
    YieldToWindowSystem();
}

void HeadlessHost::Show(const QString& message) {
    if (message == QLatin1String(ChangeMessages::Done))
        doneAt_ = Clock::now();
    shown_.append(message);
}

void HeadlessHost::Report(const QString& description, int step) {
    reports_.append(QStringLiteral("step %1: %2").arg(step).arg(description));
}

QStringList HeadlessHost::Faults() const {
    QStringList faults = reports_;
    // A run stopped on request ends without a message.
    const bool stoppedQuietly = stopAtFirstCommit_ && firstCommitAt_ && shown_.isEmpty();
    if (shown_ != QStringList{QLatin1String(ChangeMessages::Done)} && !stoppedQuietly)
        faults.append(QStringLiteral("messages shown: ") + shown_.join(QStringLiteral(" / ")));
    return faults;
}
