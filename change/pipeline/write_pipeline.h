#pragma once

#include "change/change_run.h"
#include "change/group_writer.h"
#include "change/pipeline/stage_thread.h"

#include <QString>
#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace journal {
class RunJournal;
struct RunHeader;
} // namespace journal

// What became of one group sent through the pipeline.
struct GroupOutcome {
    GroupResult result; // this group's rows only
    // The faults the writer reported, each with its step, in the order met.
    std::vector<std::pair<QString, int>> reports;
    QString journalFailure; // why the journal could not take the group; nothing was sent
    int step = 0;           // the step of the group's first row
    qint64 rowsThrough = 0; // rows read up to and including the group's last
};

// The stages of a change run that wait on the disk or the server, each on a thread of its
// own: the journal (it creates, writes and closes the run's journal, whose connection may
// only be used by one thread) and two writers, each with a connection of its own, that take
// the groups in turn: while one waits for the server, the other lays out its group, reads
// back what the server wrote or waits for the journal. A group is journalled while the one
// before it is on the server, and is sent only once its rows are in the journal. At most
// Depth groups are in flight, so memory stays flat; their outcomes come back in the order
// submitted.
class WritePipeline {
public:
    static constexpr std::size_t Depth = 3;
    static constexpr std::size_t Writers = 2;
    using Wait = std::function<void(const std::function<void()>&)>;

    // `wait` runs each wait of the caller's thread (the window's host keeps serving events).
    explicit WritePipeline(Wait wait);
    // Lets the groups in flight finish, then closes the journal on its thread.
    ~WritePipeline();

    // Creates the run's journal on the journal's thread; throws journal::Error.
    void OpenJournal(const journal::RunHeader& header);
    journal::RunJournal* Journal() const { return journal_.get(); }
    // Runs a call on the journal's own thread and waits for it; rethrows what it threw.
    void OnJournal(const std::function<void()>& call);

    // Writes through the writers from now on, each on a thread of its own; groups go to them in
    // turn. `stopping`: the user asked the run to end (a call then cancelled ends it quietly);
    // read from the writers' threads.
    void Start(std::array<GroupWriter*, Writers> writers, const std::atomic<bool>& stopping);

    // Queues the rows as one group (emptying the list).
    void Submit(std::vector<PendingRow>& rows, qint64 rowsThrough, int step);
    bool Full() const { return inFlight_.size() >= Depth; }
    bool Empty() const { return inFlight_.empty(); }
    // The oldest group in flight has its outcome.
    bool OldestReady() const;
    // The oldest group's outcome, waiting for it.
    GroupOutcome TakeOldest();

    // Adds the CPU time of the journal's and the writer's threads.
    void AddCpuSeconds(StageSeconds& seconds);

private:
    // One writer: its thread, and (used on that thread only) the outcome of the group it is
    // writing, where its reports land.
    struct Lane {
        explicit Lane(const char* name) : stage(name) {}
        StageThread stage;
        GroupWriter* writer = nullptr;
        GroupOutcome* current = nullptr;
    };
    GroupOutcome WriteOnThread(Lane& lane, GroupWriter::Group& group,
                               std::future<void>& journalled);

    Wait wait_;
    StageThread journalStage_{"run journal"};
    std::array<Lane, Writers> lanes_{Lane("run writer 1"), Lane("run writer 2")};
    std::unique_ptr<journal::RunJournal> journal_; // used only on journalStage_
    std::atomic<bool> ended_ = false;              // a group ended the run: nothing later is sent
    std::size_t next_ = 0;                         // the lane of the next group
    std::deque<std::future<GroupOutcome>> inFlight_;
};
