#pragma once

#include <QStringList>

namespace cli {

// Whether the program was started for the command line: it has arguments and the first is
// not one of Qt's own options (-platform, -session, -style, ...). Otherwise the windows
// start. Anything else, a misspelt verb included, is the command line's to refuse.
bool IsCommandLine(int argc, char* argv[]);

// Runs the verb the arguments name (arguments[0] is the program); the exit status.
// A QCoreApplication must exist.
int RunCommandLine(const QStringList& arguments);

} // namespace cli
