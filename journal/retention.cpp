#include "journal/retention.h"

#include "journal/journal_files.h"
#include "journal/run_lock.h"

#include <QList>

namespace journal {

namespace {

Retention& Current() {
    static Retention retention;
    return retention;
}

// Removes a journal unless a run holds it or someone reads it; whether it went.
bool RemoveUnheld(const QString& folder, qint64 id) {
    RunLock lock = RunLock::Try(files::LockPath(folder, id), true);
    if (!lock.Held())
        return false;
    files::Remove(files::PathOf(folder, id));
    lock.RemoveFile();
    return true;
}

} // namespace

void SetRetention(const Retention& retention) {
    Current() = retention;
}

const Retention& CurrentRetention() {
    return Current();
}

QDateTime GoesAfter(const QDateTime& lastWrite, const Retention& retention) {
    if (retention.days < 0 || !lastWrite.isValid())
        return {};
    return lastWrite.addDays(retention.days);
}

void Prune(const QString& folder, const Retention& retention) {
    QList<files::Stat> journals = files::Stats(folder); // oldest first
    const QDateTime now = QDateTime::currentDateTime();
    qint64 total = 0;
    for (const files::Stat& journal : std::as_const(journals))
        total += journal.bytes;
    // The starting run's journal counts as one of `count`.
    const qsizetype beyondCount =
        retention.count < 0 ? 0 : journals.size() - qMax(retention.count - 1, 0);
    for (qsizetype i = 0; i < journals.size(); ++i) {
        const files::Stat& journal = journals[i];
        const QDateTime goes = GoesAfter(journal.lastWrite, retention);
        const bool expired =
            i < beyondCount || (goes.isValid() && goes < now) || total > retention.budgetBytes;
        if (expired && RemoveUnheld(folder, journal.id))
            total -= journal.bytes;
    }
}

} // namespace journal
