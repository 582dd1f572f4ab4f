#include "cli/command_line.h"

#include "cli/console.h"
#include "cli/summary.h"
#include "cli/verbs.h"

#include <cstring>
#include <exception>

namespace cli {

namespace {

constexpr auto ProgramHelp = R"(Usage: recapitalizer [VERB [options]]

Without arguments the program opens its windows. With a verb it works on the command line:

  recase   Rewrites the letter case of every value of a column, in place, with a journal
           of the old values
  runs     Lists the journals of the last runs, newest first
  undo     Puts back the old values of a journalled run

"recapitalizer VERB --help" describes a verb's options. The password comes from the
environment variable RECAP_PASSWORD, else from the profile the windows remember.)";

bool IsHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

int RunVerb(const QStringList& arguments) {
    const QString verb = arguments.value(1);
    const QStringList rest = arguments.mid(2);
    if (verb == QLatin1String("recase"))
        return Recase(rest);
    if (verb == QLatin1String("runs"))
        return Runs(rest);
    if (verb == QLatin1String("undo"))
        return Undo(rest);
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
        Out(QString::fromLatin1(ProgramHelp));
        return ExitSuccess;
    }
    Err(QStringLiteral("recapitalizer: unknown verb '%1' (see recapitalizer --help)").arg(verb));
    return ExitUsage;
}

} // namespace

bool IsCommandLine(int argc, char* argv[]) {
    if (argc < 2)
        return false;
    for (const char* verb : {"recase", "runs", "undo"}) {
        if (std::strcmp(argv[1], verb) == 0)
            return true;
    }
    return IsHelp(argv[1]);
}

int RunCommandLine(const QStringList& arguments) {
    // Anything the work throws beyond what the verbs expect still ends in one line.
    try {
        return RunVerb(arguments);
    } catch (const std::exception& error) {
        Err(QStringLiteral("recapitalizer: %1").arg(QString::fromUtf8(error.what()).simplified()));
        return ExitUsage;
    }
}

} // namespace cli
