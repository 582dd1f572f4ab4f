#include "cli/console.h"
#include "cli/console_host.h"
#include "cli/interrupt.h"
#include "cli/run_line.h"
#include "cli/summary.h"
#include "cli/verb_parser.h"
#include "cli/verbs.h"

#include "change/undo_run.h"
#include "journal/run_journal.h"

namespace cli {

namespace {

// The run an undo without a number takes, said on stderr; 0 (and why) when there is none.
qint64 PickRun() {
    const QList<journal::RunInfo> runs = journal::RunJournal::List(journal::ListDepth::Headers);
    const qint64 id = journal::RunJournal::NewestToUndo(runs);
    if (id == 0) {
        Err(QStringLiteral("Nothing to undo: every journalled run is an undo, was undone, is "
                           "still running or wrote nothing (see recapitalizer runs; an undo "
                           "is undone by its number)"));
        return 0;
    }
    for (const journal::RunInfo& run : runs) {
        if (run.id == id)
            Err(QStringLiteral("Undoing run ") + RunLine(run));
    }
    return id;
}

} // namespace

int Undo(const QStringList& arguments) {
    VerbParser verb(
        QStringLiteral("undo"),
        QStringLiteral(
            "Puts back the old values of a journalled run where the rows still hold what the "
            "run wrote; keeps a journal of its own. Every checksum of the run's journal is "
            "checked first: a damaged journal is refused and nothing is written. Without RUN "
            "it takes the newest run that is not an undo, was not undone and wrote rows, and "
            "says which; an undo is undone by its number."));
    QCommandLineParser& parser = verb.parser();
    verb.AddProfileOptions();
    verb.AddRetentionOptions();
    parser.addPositionalArgument(
        QStringLiteral("RUN"),
        QStringLiteral("The run's number (see 'recapitalizer runs'); default: the newest run "
                       "not undone."),
        QStringLiteral("[RUN]"));
    if (const std::optional<int> done = verb.Parse(arguments))
        return *done;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return verb.UsageError(QStringLiteral("Unexpected argument '%1'.").arg(positional[1]));
    qint64 run = 0;
    if (!positional.isEmpty()) {
        bool numeric = false;
        run = positional[0].toLongLong(&numeric);
        if (!numeric || run < 1)
            return verb.UsageError(
                QStringLiteral("RUN must be a run's number, not '%1'.").arg(positional[0]));
    }
    if (const std::optional<int> error = verb.ApplyRetention())
        return *error;
    if (const std::optional<int> error = JournalFolderError())
        return *error;
    if (run == 0 && (run = PickRun()) == 0)
        return ExitUsage;

    ConsoleHost host;
    ConsoleWaiter waiter;
    InstallInterruptHandler();
    return EndRun(host, UndoRun(verb.Profile(), run, host, waiter));
}

} // namespace cli
