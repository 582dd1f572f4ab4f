#include "cli/console.h"
#include "cli/summary.h"
#include "cli/verb_parser.h"
#include "cli/verbs.h"

#include "journal/run_journal.h"

namespace cli {

int Forget(const QStringList& arguments) {
    VerbParser verb(QStringLiteral("forget"),
                    QStringLiteral("Deletes run journals on purpose: they hold copies of the "
                                   "data's old values. A forgotten run cannot be undone. The "
                                   "journal of a run still going is never deleted."));
    QCommandLineParser& parser = verb.parser();
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("Every journal (but those of runs still going)."));
    parser.addOption(all);
    parser.addPositionalArgument(QStringLiteral("RUN"), QStringLiteral("The run's number."),
                                 QStringLiteral("[RUN...]"));
    if (const std::optional<int> done = verb.Parse(arguments))
        return *done;
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(all) == !positional.isEmpty())
        return verb.UsageError(QStringLiteral("Name the runs to forget, or --all."));

    QList<qint64> runs;
    for (const QString& argument : positional) {
        bool numeric = false;
        runs.append(argument.toLongLong(&numeric));
        if (!numeric || runs.last() < 1)
            return verb.UsageError(
                QStringLiteral("RUN must be a run's number, not '%1'.").arg(argument));
    }
    if (parser.isSet(all)) {
        for (const journal::RunInfo& run : journal::RunJournal::List(journal::ListDepth::Headers))
            runs.append(run.id);
    }
    int status = ExitSuccess;
    for (const qint64 run : std::as_const(runs)) {
        try {
            journal::RunJournal::Forget(run);
            Out(QStringLiteral("Forgot run %1.").arg(run));
        } catch (const journal::Error& error) {
            Err(QString::fromUtf8(error.what()));
            // Runs still going are what --all leaves on purpose.
            if (!parser.isSet(all))
                status = ExitUsage;
        }
    }
    return status;
}

} // namespace cli
