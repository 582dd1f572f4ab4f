#include "change/pipeline/write_pipeline.h"

#include "journal/run_journal.h"

#include <chrono>

WritePipeline::WritePipeline(Wait wait) : wait_(std::move(wait)) {}

WritePipeline::~WritePipeline() {
    for (std::future<GroupOutcome>& group : inFlight_)
        group.wait();
    journalStage_.Run([this] { journal_.reset(); });
}

void WritePipeline::OpenJournal(const journal::RunHeader& header) {
    journalStage_.Run([&] { journal_ = journal::RunJournal::Create(header); });
}

void WritePipeline::OnJournal(const std::function<void()>& call) {
    journalStage_.Run(call);
}

void WritePipeline::Start(std::array<GroupWriter*, Writers> writers,
                          const std::atomic<bool>& stopping) {
    for (std::size_t k = 0; k < Writers; ++k) {
        Lane& lane = lanes_[k];
        lane.writer = writers[k];
        // A writer reaches the journal on the journal's thread, and reports into the outcome
        // of the group it writes; the run replays the reports on its own thread. Its settling
        // goes ahead of groups still to be journalled: its commit waits for it.
        lane.writer->JournalThrough(
            [this](const std::function<void()>& call) { journalStage_.RunFirst(call); });
        lane.writer->Reports([&lane](const QString& description, int step) {
            lane.current->reports.emplace_back(description, step);
        });
        lane.writer->StopRequested([&stopping] { return stopping.load(); });
    }
}

void WritePipeline::Submit(std::vector<PendingRow>& rows, qint64 rowsThrough, int step) {
    Lane& lane = lanes_[next_];
    next_ = (next_ + 1) % Writers;
    auto group = std::make_shared<GroupWriter::Group>(lane.writer->Take(rows));
    auto journalled = std::make_shared<std::future<void>>(
        journalStage_.Post([&lane, group] { lane.writer->Journal(*group); }));
    inFlight_.push_back(lane.stage.Post([this, &lane, group, journalled, rowsThrough, step] {
        GroupOutcome outcome = WriteOnThread(lane, *group, *journalled);
        outcome.rowsThrough = rowsThrough;
        outcome.step = step;
        return outcome;
    }));
}

GroupOutcome WritePipeline::WriteOnThread(Lane& lane, GroupWriter::Group& group,
                                          std::future<void>& journalled) {
    GroupOutcome outcome;
    try {
        journalled.get();
    } catch (const journal::Error& error) {
        outcome.journalFailure = QString::fromUtf8(error.what());
    }
    if (ended_ || !outcome.journalFailure.isEmpty()) {
        ended_ = true;
        return outcome; // its rows stay pending in the journal, unsent
    }
    lane.current = &outcome;
    try {
        lane.writer->Send(group, outcome.result);
    } catch (const journal::Error& error) {
        // The group was rolled back; every row written before it stays journalled.
        outcome.journalFailure = QString::fromUtf8(error.what());
        outcome.result.ended = true;
    }
    lane.current = nullptr;
    if (outcome.result.ended)
        ended_ = true;
    return outcome;
}

bool WritePipeline::OldestReady() const {
    return !inFlight_.empty() &&
           inFlight_.front().wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

GroupOutcome WritePipeline::TakeOldest() {
    std::future<GroupOutcome> oldest = std::move(inFlight_.front());
    inFlight_.pop_front();
    wait_([&] { oldest.wait(); });
    return oldest.get();
}

void WritePipeline::AddCpuSeconds(StageSeconds& seconds) {
    seconds.journal += journalStage_.CpuSeconds();
    for (Lane& lane : lanes_)
        seconds.write += lane.stage.CpuSeconds();
}
