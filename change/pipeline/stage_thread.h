#pragma once

#include <QThread>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <type_traits>

// A thread of its own that runs the calls posted to it one after another, in the order posted:
// one stage of a run. A call always runs on this thread (never on the one that waits for it),
// so what must stay on one thread (the journal's SQLite connection) can live here.
class StageThread : QThread {
public:
    explicit StageThread(const char* name);
    // Runs every call posted so far, then ends the thread.
    ~StageThread() override;
    StageThread(const StageThread&) = delete;
    StageThread& operator=(const StageThread&) = delete;

    // Queues the call; its future gives its result or rethrows what it threw.
    template <class Call>
    auto Post(Call call, bool first = false) -> std::future<std::invoke_result_t<Call>> {
        using Result = std::invoke_result_t<Call>;
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(call));
        std::future<Result> result = task->get_future();
        Queue([task] { (*task)(); }, first);
        return result;
    }
    // Runs the call on this thread and waits for it; rethrows what it threw.
    template <class Call> auto Run(Call call) { return Post(std::move(call)).get(); }
    // The same, ahead of every call still queued: for a caller that holds up others.
    template <class Call> auto RunFirst(Call call) { return Post(std::move(call), true).get(); }
    // The CPU time this thread has used, in seconds.
    double CpuSeconds();

private:
    void run() override;
    void Queue(std::function<void()> call, bool first = false);

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> calls_; // an empty call ends the thread
};
