#include "change/pipeline/stage_thread.h"

#include <ctime>

StageThread::StageThread(const char* name) {
    setObjectName(QString::fromLatin1(name));
    start();
}

StageThread::~StageThread() {
    // Queued behind every call posted before it, so none is dropped.
    Queue({});
    wait();
}

void StageThread::Queue(std::function<void()> call, bool first) {
    {
        std::lock_guard lock(mutex_);
        if (first)
            calls_.push_front(std::move(call));
        else
            calls_.push_back(std::move(call));
    }
    posted_.notify_one();
}

void StageThread::run() {
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [this] { return !calls_.empty(); });
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        if (!call)
            return;
        call();
    }
}

double StageThread::CpuSeconds() {
    return Run([] {
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        return double(used.tv_sec) + double(used.tv_nsec) / 1e9;
    });
}
