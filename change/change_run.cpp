#include "change/change_run.h"

#include "app/steps.h"
#include "change/group_writer.h"
#include "change/journal_header.h"
#include "change/row_source.h"
#include "db/connection.h"
#include "db/values.h"
#include "journal/run_journal.h"

#include <memory>
#include <optional>
#include <utility>

namespace {

// The mode's position in the case box (and in the run's step table).
static_assert(int(Case::CaseMode::Upper) == 0 && int(Case::CaseMode::Lower) == 1 &&
              int(Case::CaseMode::Proper) == 2 && int(Case::CaseMode::Sentence) == 3);

constexpr int DefaultPointer = 0;
constexpr int BusyPointer = 11;
constexpr int ChangeTimeoutSeconds = 5000;
// Rows read from the server at once.
constexpr int SliceRows = 1000;

// One run: the numbered steps of "Start Changing". Each step that fails is reported and the
// run goes on with the next one, except where going on could only repeat the same fault or
// report success for work that was not done: then the run ends after one report.
//
// Rows are read in slices from a cursor on one connection and written in groups through a
// second one, a transaction per group; a row whose converted text equals its old text is
// not written at all. Each blocking call goes through the host's Wait, once per slice or
// group.
class ChangeRun {
public:
    explicit ChangeRun(ChangeRunHost& host)
        : host_(host), steps_([this](const QString& description, int step) {
              lastFailure_ = description;
              host_.Report(description, step);
          }) {}

    RunSummary Run() {
        // Steps 100 and 102 create the connection and record set objects: the members.
        if (!steps_.Test(104, [&] { return host_.FieldCount() > 0; })) {
            steps_.Run(208, [&] { host_.Show(QLatin1String(ChangeMessages::SelectField)); });
            return summary_;
        }
        steps_.Run(106, [&] { host_.SetPointer(BusyPointer); });
        // The read streams from the server: the client never holds the whole column.
        steps_.Run(108, [&] { reader_.SetCursorLocation(db::adUseServer); });
        steps_.Run(110, [&] {
            reader_.SetCommandTimeout(ChangeTimeoutSeconds);
            writer_.SetCommandTimeout(ChangeTimeoutSeconds);
        });
        steps_.Run(112, [&] {
            reader_.SetConnectionTimeout(ChangeTimeoutSeconds);
            writer_.SetConnectionTimeout(ChangeTimeoutSeconds);
        });
        host_.SetCanceller([this] {
            reader_.Cancel();
            writer_.Cancel();
        });
        if (!steps_.Run(114, [&] {
                const QString connectionString = OdbcConnectionString(host_.Profile());
                writer_.SetAutoCommit(false);
                host_.Wait([&] {
                    reader_.Open(connectionString);
                    writer_.Open(connectionString);
                });
            }))
            return Abandon();
        // Table and column are taken once: a click on the lists during the run must not
        // send the rest of its statements elsewhere.
        if (!steps_.Run(116, [&] {
                table_ = host_.CurrentTable();
                column_ = host_.CurrentField();
                host_.Wait([&] {
                    dialect_ = db::Dialect::Of(reader_, table_);
                    source_.Open(reader_, *dialect_, table_, column_);
                });
            }))
            return Abandon();
        if (!source_.IsText()) {
            Abandon();
            summary_.failure = QLatin1String(ChangeMessages::NotText);
            host_.Show(summary_.failure);
            return summary_;
        }
        summary_.started = true;
        if (!OpenJournal())
            return Abandon();
        GroupWriter writer(
            writer_, *dialect_, table_, column_, source_.FixedWidth(), journal_.get(),
            [this](const std::function<void()>& call) { host_.Wait(call); },
            [this](const QString& description, int step) {
                steps_.Run(step, [&] { throw db::Error(description); });
            });

        qint64 last = 0;
        steps_.Run(124, [&] { last = source_.Count() - 1; });
        if (steps_.Test(126, [&] { return !NextSlice(); })) {
            for (qint64 i = 0; !Ended(); ++i) {
                ChangeRow(i, last);
                if (pending_.size() >= GroupWriter::GroupRows ||
                    pendingText_ >= GroupWriter::GroupText)
                    WriteGroup(writer);
                if (result_.hopeless || host_.StopRequested())
                    break;
                // 172: the next row, reading the next slice when this one is used up.
                if (sliceAt_ >= slice_.size() && !steps_.Run(172, [&] { NextSlice(); }))
                    return Abandon();
            }
        }
        WriteGroup(writer);
        if (result_.hopeless || host_.StopRequested()) {
            summary_.stopped = !result_.hopeless;
            return Abandon();
        }
        steps_.Run(176, [&] { source_.Close(); });
        steps_.Run(178, [&] { host_.SetPointer(DefaultPointer); });
        steps_.Run(180, [&] { ResetProgress(); });
        steps_.Run(182, [&] { host_.Yield(); });
        if (const std::optional<Case::CaseMode> mode = ReadMode(184, 4)) {
            steps_.Run(186 + 4 * static_cast<int>(*mode), [&] { host_.RecasePreview(*mode); });
        } else {
            steps_.Run(200, [&] { host_.Show(QLatin1String(ChangeMessages::NoMode)); });
        }
        summary_.completed = true;
        FinishJournal();
        steps_.Run(206, [&] { host_.Show(QLatin1String(ChangeMessages::Done)); });
        return summary_;
    }

private:
    // One pass of the row loop (steps 130 to 170): the row joins the group to be written
    // unless its converted text equals its old text.
    void ChangeRow(qint64 i, qint64 last) {
        const SourceRow row = std::move(slice_[sliceAt_++]);
        ++summary_.read;
        steps_.Run(130, [&] { host_.Yield(); });
        steps_.Run(132, [&] {
            host_.SetProgress(std::min(double(i + 1) / double(last + 1) * 100.0, 100.0));
        });
        QString value;
        const bool read =
            steps_.Run(134, [&] { value = NullToDefault(row.value, QString()).toString(); });
        // The case box is read anew for every row: a change during the run affects the
        // rows that follow it.
        const std::optional<Case::CaseMode> mode = ReadMode(140, 8);
        if (!mode || !read)
            return;
        // Each mode has three steps: convert (142, 150, 158, 166), build, execute.
        const int convertStep = 142 + 8 * static_cast<int>(*mode);
        QString newText;
        if (!steps_.Run(convertStep, [&] { newText = Case::Convert(*mode, value); }))
            return;
        if (newText == value) {
            ++summary_.unchanged;
            return;
        }
        steps_.Run(convertStep + 2, [&] {
            pendingText_ += value.size() + newText.size() + row.id.size();
            pending_.push_back({i, row.id, row.value, value, newText, convertStep + 4});
        });
    }

    void WriteGroup(GroupWriter& writer) {
        if (pending_.empty())
            return;
        try {
            writer.Write(pending_, result_);
        } catch (const journal::Error& error) {
            // Nothing unjournalled is written: the run ends here.
            steps_.Run(pending_.front().step, [&] { throw std::runtime_error(error.what()); });
            pending_.clear();
            result_.hopeless = true;
        }
        pendingText_ = 0;
    }

    // Reads the next slice of rows; true when there was none.
    bool NextSlice() {
        slice_.clear();
        sliceAt_ = 0;
        host_.Wait([&] { slice_ = source_.Next(SliceRows); });
        return slice_.empty();
    }

    bool Ended() const { return sliceAt_ >= slice_.size(); }

    bool OpenJournal() {
        if (!host_.KeepsJournal())
            return true;
        return steps_.Run(116, [&] {
            QString tableKey;
            host_.Wait([&] { tableKey = TableKey(reader_, *dialect_, table_); });
            journal_ = journal::RunJournal::Create(
                RecaseHeader(host_.Profile(), table_, column_, host_.CaseBoxText(), tableKey),
                host_.JournalsKept());
            summary_.journal = journal_->FileName();
        });
    }

    void FinishJournal() {
        summary_.written = result_.written;
        summary_.refused = result_.refused;
        summary_.left = result_.left;
        summary_.connectionLost = result_.connectionLost;
        if (journal_)
            FinishRunJournal(*journal_, summary_);
    }

    // The mode named by the case box, as MatchCaseMode reads it, with each mode word test a
    // step of its own that reads the box anew. A failing test counts as passed.
    std::optional<Case::CaseMode> ReadMode(int firstStep, int stepsBetweenTests) {
        static constexpr std::pair<const char*, Case::CaseMode> words[] = {
            {"upper", Case::CaseMode::Upper},
            {"lower", Case::CaseMode::Lower},
            {"proper", Case::CaseMode::Proper},
            {"sentence", Case::CaseMode::Sentence}};
        int step = firstStep;
        for (const auto& [word, mode] : words) {
            if (steps_.Test(step, [&] {
                    return host_.CaseBoxText().toLower().contains(QLatin1String(word));
                }))
                return mode;
            step += stepsBetweenTests;
        }
        return std::nullopt;
    }

    void ResetProgress() {
        host_.SetProgress(0);
        host_.SetProgressText(QStringLiteral("Progress Bar"));
    }

    // Ends a run that cannot go on after its fault was reported: nothing is recased and no
    // "Done." is shown.
    RunSummary Abandon() {
        if (summary_.failure.isEmpty())
            summary_.failure = lastFailure_;
        host_.SetPointer(DefaultPointer);
        ResetProgress();
        FinishJournal();
        return summary_;
    }

    ChangeRunHost& host_;
    Steps steps_;
    db::Connection reader_;
    db::Connection writer_;
    std::optional<db::Dialect> dialect_;
    RowSource source_;
    std::unique_ptr<journal::RunJournal> journal_;
    QString table_;
    QString column_;
    std::vector<SourceRow> slice_;
    std::size_t sliceAt_ = 0;
    std::vector<PendingRow> pending_;
    qsizetype pendingText_ = 0;
    GroupResult result_;
    RunSummary summary_;
    QString lastFailure_;
};

} // namespace

RunSummary RunChange(ChangeRunHost& host) {
    return ChangeRun(host).Run();
}
