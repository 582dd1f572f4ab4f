#include "app/window_system.h"

#include "app/blocking_call.h"

#include <QCoreApplication>
#include <unistd.h>

namespace {
bool ending = false;
}

void YieldToWindowSystem() {
    const bool endingBefore = ending;
    QCoreApplication::processEvents();
    if (ending && !endingBefore)
        ::_exit(0); // a window was closed during the yield: nothing more of the operation runs
}

void EndProgram() {
    ending = true;
    if (WaitingOffThread())
        EndWhileWaiting(); // a database call is in progress: cancel it and end the process
    QCoreApplication::quit();
}

bool ProgramEnding() {
    return ending;
}
