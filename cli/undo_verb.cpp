#include "cli/console_host.h"
#include "cli/interrupt.h"
#include "cli/summary.h"
#include "cli/verb_parser.h"
#include "cli/verbs.h"

#include "change/undo_run.h"

namespace cli {

int Undo(const QStringList& arguments) {
    VerbParser verb(QStringLiteral("undo"),
                    QStringLiteral("Puts back the old values of a journalled run where the rows "
                                   "still hold what the run wrote; keeps a journal of its own."));
    QCommandLineParser& parser = verb.parser();
    verb.AddProfileOptions();
    parser.addPositionalArgument(QStringLiteral("RUN"),
                                 QStringLiteral("The run's number (see 'recapitalizer runs'); "
                                                "default: the newest."),
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

    ConsoleHost host({verb.Profile(), QString(), QString(), QStringLiteral("undo")});
    InstallInterruptHandler();
    return EndRun(host, UndoRun(host, run));
}

} // namespace cli
