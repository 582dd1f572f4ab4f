#include "app/window_system.h"

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
    QCoreApplication::quit();
}

bool ProgramEnding() {
    return ending;
}
