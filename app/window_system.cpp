#include "app/window_system.h"

#include "app/blocking_call.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <unistd.h>

namespace {
bool ending = false;
// Events are served at most this often: a window stays responsive, and a loop that yields
// for each of a million rows does not spend its time polling an empty queue.
constexpr qint64 YieldEveryMs = 10;
} // namespace

void YieldToWindowSystem() {
    static QElapsedTimer sinceLast;
    if (sinceLast.isValid() && !sinceLast.hasExpired(YieldEveryMs))
        return;
    sinceLast.start();
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
