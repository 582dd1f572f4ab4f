#pragma once

#include <QStringList>

// The verbs of the command line; each takes the arguments after its name and returns the
// program's exit status.
namespace cli {

int Recase(const QStringList& arguments);
int Runs(const QStringList& arguments);
int Undo(const QStringList& arguments);
int Forget(const QStringList& arguments);

} // namespace cli
