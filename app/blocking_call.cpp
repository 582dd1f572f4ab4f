#include "app/blocking_call.h"

#include "app/window_system.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <list>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// How long a closing program lets its blocked calls return, and when the watchdog ends it
// whatever happens.
constexpr auto ReturnDeadline = 1000ms;
constexpr auto WatchdogDeadline = 1500ms;

// The calls in progress and their cancellers; shared with the workers and the ending.
struct Registry {
    std::mutex mutex;
    std::condition_variable returned;
    int running = 0; // workers not yet returned
    std::list<std::function<void()>> cancellers;
};

Registry& Calls() {
    static Registry registry;
    return registry;
}

// Threads of their own: a call stuck on a dead server must not starve anything else.
QThreadPool& Workers() {
    static QThreadPool pool;
    pool.setMaxThreadCount(16);
    return pool;
}

} // namespace

bool WaitingOffThread() {
    Registry& calls = Calls();
    std::lock_guard lock(calls.mutex);
    return calls.running > 0;
}

void EndWhileWaiting() {
    std::thread([] {
        std::this_thread::sleep_for(WatchdogDeadline);
        ::_exit(0);
    }).detach();
    Registry& calls = Calls();
    std::list<std::function<void()>> cancellers;
    {
        std::lock_guard lock(calls.mutex);
        cancellers = calls.cancellers;
    }
    // A cancel may itself wait on a server that no longer answers.
    std::thread([cancellers] {
        for (const auto& cancel : cancellers) {
            try {
                cancel();
            } catch (...) {
            }
        }
    }).detach();
    std::unique_lock lock(calls.mutex);
    calls.returned.wait_for(lock, ReturnDeadline, [&] { return calls.running == 0; });
    ::_exit(0);
}

void WaitOffThread(const std::function<void()>& call, const std::function<void()>& cancel,
                   const LongWaitNotice& notice) {
    Registry& calls = Calls();
    std::list<std::function<void()>>::iterator registered;
    {
        std::lock_guard lock(calls.mutex);
        ++calls.running;
        registered = calls.cancellers.insert(
            calls.cancellers.end(), cancel ? cancel : [] {});
    }
    std::exception_ptr failure;
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    bool finished = false;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    const bool endingBefore = ProgramEnding();
    watcher.setFuture(QtConcurrent::run(&Workers(), [&] {
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(calls.mutex);
        --calls.running;
        calls.returned.notify_all();
    }));
    // The long-wait notice comes from a timer of the window thread, served by the loop below.
    QTimer longWait;
    bool noticed = false;
    if (notice.waiting) {
        longWait.setSingleShot(true);
        longWait.setTimerType(Qt::PreciseTimer); // never before `after`
        QObject::connect(&longWait, &QTimer::timeout, &longWait, [&] {
            noticed = true;
            notice.waiting(true);
        });
        longWait.start(notice.after);
    }
    while (!finished) {
        loop.exec();
        // Ending the program ends every event loop: nothing of the call's result is used.
        if (ProgramEnding() && !endingBefore)
            EndWhileWaiting();
        // An earlier quit() leaves event loops returning at once; wait for events instead.
        if (!finished)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    {
        std::lock_guard lock(calls.mutex);
        calls.cancellers.erase(registered);
    }
    longWait.stop();
    if (noticed)
        notice.waiting(false);
    if (failure)
        std::rethrow_exception(failure);
}
