#include "cli/console.h"
#include "cli/summary.h"
#include "cli/verb_parser.h"
#include "cli/verbs.h"

#include "journal/run_journal.h"

namespace cli {

namespace {

// "42  2024-05-01 12:00:03  scott  EMP.ENAME  UPPER CASE  read 1000, written 420, ..."
QString RunLine(const journal::RunInfo& run) {
    const journal::RunHeader& header = run.header;
    if (header.kind.isEmpty())
        return QStringLiteral("%1  damaged journal %2").arg(run.id).arg(run.fileName);
    RunSummary counts;
    counts.read = header.read;
    counts.written = header.written;
    counts.unchanged = header.unchanged;
    counts.refused = header.refused;
    counts.left = header.left;
    const QString what = header.kind == QLatin1String("undo")
                             ? QStringLiteral("undo of %1").arg(header.undoOf)
                             : header.mode;
    QString line = QStringLiteral("%1  %2  %3  %4.%5  %6  %7")
                       .arg(run.id)
                       .arg(header.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                            header.user, header.table, header.column, what, SummaryLine(counts));
    if (!header.ended.isValid())
        line += QStringLiteral(" (did not end)");
    return line;
}

} // namespace

int Runs(const QStringList& arguments) {
    VerbParser verb(QStringLiteral("runs"),
                    QStringLiteral("Lists the journalled runs, newest first: number, start, user, "
                                   "table.column, case (or the run undone), counts."));
    if (const std::optional<int> done = verb.Parse(arguments))
        return *done;
    if (!verb.parser().positionalArguments().isEmpty())
        return verb.UsageError(QStringLiteral("Unexpected argument '%1'.")
                                   .arg(verb.parser().positionalArguments()[0]));
    try {
        const QList<journal::RunInfo> runs = journal::RunJournal::List();
        if (runs.isEmpty())
            Err(QStringLiteral("No run journals in %1").arg(journal::RunJournal::Folder()));
        for (const journal::RunInfo& run : runs)
            Out(RunLine(run));
    } catch (const journal::Error& error) {
        Err(QString::fromUtf8(error.what()));
        return ExitUsage;
    }
    return ExitSuccess;
}

} // namespace cli
