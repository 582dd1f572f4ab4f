#pragma once

// Ctrl-C during a run: the first asks the run to stop after the group in flight (its
// journal stays consistent); a second ends the program at once with status 130.
namespace cli {

void InstallInterruptHandler();
bool InterruptRequested();

} // namespace cli
