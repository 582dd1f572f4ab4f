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
  runs     Lists the journalled runs, newest first, and what became of them
  undo     Puts back the old values of a journalled run
  forget   Deletes run journals (they hold copies of the data's old values)

"recapitalizer VERB --help" describes a verb's options; "recapitalizer --version" prints the
version. The password comes from the environment variable RECAP_PASSWORD, else from the
profile the windows remember, else it is asked for on the terminal.)";

constexpr auto VerbList = "recase, runs, undo, forget";

// The options QGuiApplication and QApplication take for themselves (Qt's documentation of
// them), given with one dash or two, the value after a space or an '='.
constexpr const char* QtOptions[] = {"platform",        "platformpluginpath",
                                     "platformtheme",   "plugin",
                                     "qwindowgeometry", "qwindowicon",
                                     "qwindowtitle",    "reverse",
                                     "session",         "display",
                                     "geometry",        "style",
                                     "stylesheet",      "widgetcount",
                                     "qmljsdebugger",   "dialogs",
                                     "fontengine"};

bool IsQtOption(const char* argument) {
    if (argument[0] != '-')
        return false;
    const char* name = argument + (argument[1] == '-' ? 2 : 1);
    const size_t length = std::strcspn(name, "=");
    for (const char* option : QtOptions) {
        if (std::strlen(option) == length && std::strncmp(name, option, length) == 0)
            return true;
    }
    return false;
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
    if (verb == QLatin1String("forget"))
        return Forget(rest);
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
        Out(QString::fromLatin1(ProgramHelp));
        return ExitSuccess;
    }
    if (verb == QLatin1String("--version") || verb == QLatin1String("-v")) {
        Out(QStringLiteral("recapitalizer %1").arg(QLatin1String(RECAP_VERSION)));
        return ExitSuccess;
    }
    Err(QStringLiteral("recapitalizer: unknown verb '%1'; the verbs are %2 (see recapitalizer "
                       "--help)")
            .arg(verb, QLatin1String(VerbList)));
    return ExitUsage;
}

} // namespace

bool IsCommandLine(int argc, char* argv[]) {
    return argc >= 2 && !IsQtOption(argv[1]);
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
