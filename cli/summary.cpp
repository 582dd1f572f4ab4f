#include "cli/summary.h"

#include "cli/console.h"
#include "cli/console_host.h"
#include "journal/run_journal.h"

namespace cli {

QString SummaryLine(const RunSummary& summary) {
    QString line = QStringLiteral("read %1, written %2, unchanged %3, refused %4, left %5")
                       .arg(summary.rows.read)
                       .arg(summary.rows.written)
                       .arg(summary.rows.unchanged)
                       .arg(summary.rows.refused)
                       .arg(summary.rows.left);
    if (summary.altered > 0)
        line += QStringLiteral(", altered by the database %1").arg(summary.altered);
    if (!summary.journal.isEmpty())
        line += QStringLiteral("; journal ") + summary.journal;
    return line;
}

ExitStatus ExitStatusOf(const RunSummary& summary) {
    if (!summary.started)
        return ExitUsage;
    if (summary.stopped)
        return ExitInterrupted;
    if (summary.connectionLost || !summary.completed)
        return ExitIncomplete;
    return summary.rows.refused == 0 && summary.rows.left == 0 && summary.altered == 0 &&
                   summary.fieldsLeft == 0
               ? ExitSuccess
               : ExitIncomplete;
}

std::optional<int> JournalFolderError() {
    try {
        journal::RunJournal::PrepareFolder();
        return std::nullopt;
    } catch (const journal::Error& error) {
        Err(QString::fromUtf8(error.what()));
        return ExitUsage;
    }
}

int EndRun(ConsoleHost& host, const RunSummary& summary) {
    host.EndProgress();
    if (!summary.started) {
        // One line naming the cause; the run's own reports of it only when it names none.
        const QString cause = host.Cause(summary).simplified();
        if (!cause.isEmpty())
            Err(cause);
        return ExitStatusOf(summary);
    }
    host.FlushReports();
    for (const QString& message : host.Shown())
        Err(message.simplified());
    Out(SummaryLine(summary));
    // Why it ended early, once: a report may have said it.
    if (!summary.completed && !summary.failure.isEmpty() && !host.Reported(summary.failure))
        Err(summary.failure.simplified());
    return ExitStatusOf(summary);
}

} // namespace cli
