#pragma once

#include <QStringList>

namespace cli {

// Whether the program was started for the command line: its first argument is a verb
// (recase, runs, undo) or --help. Otherwise the windows start.
bool IsCommandLine(int argc, char* argv[]);

// Runs the verb the arguments name (arguments[0] is the program); the exit status.
// A QCoreApplication must exist.
int RunCommandLine(const QStringList& arguments);

} // namespace cli
