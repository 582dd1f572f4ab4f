#include "cli/console.h"
#include "cli/run_line.h"
#include "cli/summary.h"
#include "cli/verb_parser.h"
#include "cli/verbs.h"

#include "journal/retention.h"
#include "journal/run_journal.h"

#include <QLocale>

namespace cli {

namespace {

// What retention promises, and when the oldest journal goes.
QString RetentionLine(const QList<journal::RunInfo>& runs) {
    const journal::Retention retention;
    qint64 bytes = 0;
    for (const journal::RunInfo& run : runs)
        bytes += run.bytes;
    const QLocale c = QLocale::c();
    QString line =
        QStringLiteral("Journals are kept %1 days after their last write, within %2 "
                       "in all (now %3)")
            .arg(retention.days)
            .arg(c.formattedDataSize(retention.budgetBytes, 0), c.formattedDataSize(bytes, 1));
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        if (run->state == journal::RunState::Running)
            continue;
        return line + QStringLiteral("; the oldest, run %1, goes with the first run started "
                                     "after %2.")
                          .arg(run->id)
                          .arg(journal::GoesAfter(run->lastWrite, retention)
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    }
    return line + QLatin1Char('.');
}

} // namespace

int Runs(const QStringList& arguments) {
    VerbParser verb(
        QStringLiteral("runs"),
        QStringLiteral(
            "Lists the journalled runs, newest first: number, start, user, table.column, case "
            "(or the run undone), counts. Every checksum of every journal is checked: a "
            "damaged journal is named so, and undo refuses it. A run that did not end shows "
            "the counts its journal holds, and whether it is still running or was killed. "
            "Journals are kept 30 days after their last write, within 1 GiB in all (the "
            "oldest go first); the last line says when the oldest goes."));
    if (const std::optional<int> done = verb.Parse(arguments))
        return *done;
    if (const std::optional<int> error = verb.NoPositional())
        return *error;
    try {
        const QList<journal::RunInfo> runs = journal::RunJournal::List();
        if (runs.isEmpty()) {
            Err(QStringLiteral("No run journals in %1").arg(journal::RunJournal::Folder()));
            return ExitSuccess;
        }
        for (const journal::RunInfo& run : runs)
            Out(RunLine(run));
        Err(RetentionLine(runs));
    } catch (const journal::Error& error) {
        Err(QString::fromUtf8(error.what()));
        return ExitUsage;
    }
    return ExitSuccess;
}

} // namespace cli
