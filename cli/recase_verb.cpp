#include "cli/console.h"
#include "cli/console_host.h"
#include "cli/interrupt.h"
#include "cli/summary.h"
#include "cli/verb_parser.h"
#include "cli/verbs.h"

#include "change/dry_run.h"
#include "db/error.h"

#include <stdexcept>
#include <utility>

namespace cli {

namespace {

struct CaseName {
    const char* option;
    const char* caseBox;
};
constexpr CaseName CaseNames[] = {{"upper", "UPPER CASE"},
                                  {"lower", "lower case"},
                                  {"proper", "Proper Case"},
                                  {"sentence", "Sentence case"}};

int DryRunCommand(const RunRequest& request, ConsoleHost& host) {
    std::optional<Case::CaseMode> mode = request.chosenMode;
    if (!mode)
        mode = Case::MatchCaseMode(request.caseBox);
    try {
        ConsoleWaiter waiter;
        const DryRunResult result = DryRun(request, *mode, host, waiter);
        if (!result.refusal.isEmpty()) {
            Err(result.refusal);
            return ExitUsage;
        }
        Out(QStringLiteral("would change %1 of %2 rows read")
                .arg(result.wouldChange)
                .arg(result.read));
        for (const auto& [before, after] : result.first)
            Out(OneLine(before) + QLatin1String(" -> ") + OneLine(after));
        return ExitSuccess;
    } catch (const db::Error& error) {
        Err(error.description().simplified());
    }
    return ExitUsage;
}

} // namespace

int Recase(const QStringList& arguments) {
    VerbParser verb(QStringLiteral("recase"),
                    QStringLiteral("Rewrites every value of a column to a letter case, in place, "
                                   "keeping a journal of the old values for undo."));
    QCommandLineParser& parser = verb.parser();
    const QCommandLineOption table(QStringLiteral("table"), QStringLiteral("The table."),
                                   QStringLiteral("T"));
    const QCommandLineOption column(
        QStringLiteral("column"),
        QStringLiteral("The column; given more than once, each of them in one run."),
        QStringLiteral("C"));
    const QCommandLineOption mode(QStringLiteral("case"),
                                  QStringLiteral("upper, lower, proper or sentence."),
                                  QStringLiteral("CASE"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Count and show the changes; write nothing."));
    const QCommandLineOption names(
        QStringLiteral("exceptions"),
        QStringLiteral("With --case names (Name Case, for people's names and addresses): the "
                       "file of words to write as it spells them, one a line (default: "
                       "$XDG_CONFIG_HOME/Vantrel/name-exceptions.txt, if it exists)."),
        QStringLiteral("FILE"));
    parser.addOptions({table, column, mode, dryRun, names});
    verb.AddProfileOptions();
    verb.AddRetentionOptions();
    verb.AllowRepeated(column.names()[0]);
    if (const std::optional<int> done = verb.Parse(arguments))
        return *done;

    for (const QCommandLineOption& required : {table, column, mode}) {
        if (!parser.isSet(required))
            return verb.UsageError(QStringLiteral("Missing option --%1.").arg(required.names()[0]));
    }
    if (const std::optional<int> error = verb.NoPositional())
        return *error;
    const QString caseName = parser.value(mode).toLower();
    const char* caseBox = nullptr;
    for (const CaseName& name : CaseNames) {
        if (caseName == QLatin1String(name.option))
            caseBox = name.caseBox;
    }
    bool chosen = false; // Name Case, which the case box does not offer
    Case::NameExceptions exceptions;
    if (caseName == QLatin1String("names")) {
        caseBox = Case::NameCaseText;
        chosen = true;
        try {
            exceptions = parser.isSet(names) ? Case::ReadNameExceptions(parser.value(names))
                                             : Case::DefaultNameExceptions();
        } catch (const std::runtime_error& error) {
            return verb.UsageError(QString::fromUtf8(error.what()));
        }
    } else if (parser.isSet(names)) {
        return verb.UsageError(QStringLiteral("--exceptions goes with --case names."));
    }
    if (!caseBox)
        return verb.UsageError(
            QStringLiteral("Unknown case '%1': use upper, lower, proper or sentence.")
                .arg(parser.value(mode)));
    if (const std::optional<int> error = verb.ApplyRetention())
        return *error;
    if (!parser.isSet(dryRun)) {
        if (const std::optional<int> error = JournalFolderError())
            return *error;
    }

    const QStringList columns = parser.values(column);
    if (parser.isSet(dryRun) && columns.size() > 1)
        return verb.UsageError(QStringLiteral("--dry-run takes one --column."));
    RunRequest request;
    request.profile = verb.Profile();
    request.table.text = parser.value(table);
    request.field.text = columns.value(0);
    request.selected = columns;
    request.caseBox = QLatin1String(caseBox);
    if (chosen) {
        request.chosenMode = Case::CaseMode::Names;
        request.exceptions = std::move(exceptions);
    }
    ConsoleHost host;
    if (parser.isSet(dryRun))
        return DryRunCommand(request, host);
    InstallInterruptHandler();
    ConsoleWaiter waiter;
    return EndRun(host, RunChange(request, host, waiter));
}

} // namespace cli
