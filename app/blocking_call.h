#pragma once

#include <chrono>
#include <functional>

// What a window says while a call waits long: `waiting(true)` once the call has waited
// `after` without returning, and `waiting(false)` when it returns after that. Both run on
// the waiting (window) thread.
struct LongWaitNotice {
    std::chrono::milliseconds after{0};
    std::function<void(bool waiting)> waiting;
};

// Runs `call` on a worker thread while the calling (window) thread keeps handling window
// events in a local event loop, so the windows repaint and take clicks during a database call
// that waits on the network or on a lock. Rethrows whatever `call` threw. `cancel`, when
// given, asks the call to stop; it may run on any thread while the call is in progress.
// Whatever the call works on (a connection) belongs to it until it returns.
void WaitOffThread(const std::function<void()>& call, const std::function<void()>& cancel = {},
                   const LongWaitNotice& notice = {});

// True while at least one call waits under WaitOffThread.
bool WaitingOffThread();

// Ends the process while calls wait: runs their cancellers on a thread of their own, gives
// the calls about a second to return and ends the process without releasing anything a
// blocked call may still hold. A watchdog ends the process also if this thread gets stuck.
[[noreturn]] void EndWhileWaiting();
