#include "change/change_run.h"

#include "app/steps.h"
#include "change/group_writer.h"
#include "change/journal_header.h"
#include "change/row_source.h"
#include "change/run_session.h"
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
        : host_(host), session_(host), steps_([this](const QString& description, int step) {
              lastFailure_ = description;
              host_.Report(description, step);
          }) {}

    RunSummary Run() {
        // Steps 100 and 102 create the connection and record set objects: the session.
        if (!steps_.Test(104, [&] { return host_.FieldCount() > 0; })) {
            steps_.Run(208, [&] { host_.Show(QLatin1String(ChangeMessages::SelectField)); });
            return summary_;
        }
        steps_.Run(106, [&] { host_.SetPointer(BusyPointer); });
        // The read streams from the server: the client never holds the whole column.
        steps_.Run(108, [&] { session_.Reader().SetCursorLocation(db::adUseServer); });
        steps_.Run(110, [&] { session_.SetCommandTimeout(ChangeTimeoutSeconds); });
        steps_.Run(112, [&] { session_.SetConnectionTimeout(ChangeTimeoutSeconds); });
        if (!steps_.Run(114, [&] { session_.Open(true, true); }))
            return Abandon();
        // Table and column are taken once: a click on the lists during the run must not
        // send the rest of its statements elsewhere.
        QString refusal;
        if (!steps_.Run(116, [&] {
                table_ = host_.CurrentTable();
                column_ = host_.CurrentField();
                columns_ = host_.SelectedFields();
                if (columns_.size() < 2)
                    columns_ = {column_};
                session_.Inspect(table_, columns_);
                if (columns_.size() == 1)
                    refusal = session_.Refusal();
                else
                    LeaveRefusedFields();
                if (refusal.isEmpty() && !columns_.isEmpty())
                    host_.Wait([&] {
                        source_.Open(session_.Reader(), session_.Dialect(), table_, columns_);
                    });
            }))
            return Abandon();
        if (columns_.isEmpty())
            return Abandon(); // every selected field was named as left
        if (refusal.isEmpty() && !session_.Facts().known && !source_.IsText())
            refusal = QLatin1String(ChangeMessages::NotText);
        if (refusal.isEmpty() && columns_.size() > 1 && !session_.Dialect().NamesRows())
            refusal = QLatin1String(ChangeMessages::OneFieldAtATime);
        if (!refusal.isEmpty())
            return Refuse(refusal);
        summary_.started = true;
        if (session_.Dialect().NamesRows() && session_.Dialect().keyColumn().isEmpty())
            host_.Note(QLatin1String(ChangeMessages::AddressedRows));
        if (!OpenJournal())
            return Abandon();
        GroupWriter writer(
            session_.Writer(), session_.Dialect(), {table_, columns_, source_.FixedWidths()},
            session_.UpdateTriggers(), journal_.get(),
            [this](const std::function<void()>& call) { host_.Wait(call); },
            [this](const QString& description, int step) {
                steps_.Run(step, [&] { throw db::Error(description); });
            });
        writer.StopRequested([this] { return host_.StopRequested(); });

        qint64 last = 0;
        steps_.Run(124, [&] { last = source_.Count() - 1; });
        if (steps_.Test(126, [&] { return !NextSlice(); })) {
            for (qint64 i = 0; !Ended(); ++i) {
                ChangeRow(i, last);
                if (pending_.size() >= GroupWriter::GroupRows ||
                    pendingText_ >= GroupWriter::GroupText)
                    WriteGroup(writer);
                if (result_.ended || host_.StopRequested())
                    break;
                // 172: the next row, reading the next slice when this one is used up.
                if (sliceAt_ >= slice_.size() && !steps_.Run(172, [&] { NextSlice(); }))
                    return Abandon();
            }
        }
        WriteGroup(writer);
        if (result_.ended || host_.StopRequested()) {
            summary_.stopped = host_.StopRequested();
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
        if (summary_.altered > 0)
            host_.Show(QString::fromLatin1(ChangeMessages::Altered).arg(summary_.altered));
        steps_.Run(206, [&] { host_.Show(QLatin1String(ChangeMessages::Done)); });
        return summary_;
    }

private:
    // One pass of the row loop (steps 130 to 170): the row joins the group to be written
    // unless the converted text of each of its fields equals its old text.
    void ChangeRow(qint64 i, qint64 last) {
        const SourceRow row = std::move(slice_[sliceAt_++]);
        ++summary_.read;
        steps_.Run(130, [&] { host_.Yield(); });
        steps_.Run(132, [&] {
            host_.SetProgress(std::min(double(i + 1) / double(last + 1) * 100.0, 100.0));
        });
        PendingRow pending{i, row.id, {}, 0};
        bool changes = false;
        for (const QVariant& old : row.values) {
            FieldChange& field = pending.fields.emplace_back(FieldChange{old, {}, {}});
            QString value;
            const bool read =
                steps_.Run(134, [&] { value = NullToDefault(old, QString()).toString(); });
            // The case box is read anew for every row: a change during the run affects the
            // rows that follow it.
            const std::optional<Case::CaseMode> mode = ReadMode(140, 8);
            if (!mode || !read)
                continue;
            // Each mode has three steps: convert (142, 150, 158, 166), build, execute.
            const int convertStep = 142 + 8 * static_cast<int>(*mode);
            QString newText;
            if (!steps_.Run(convertStep, [&] { newText = Case::ConvertValue(*mode, value); }) ||
                newText == value)
                continue;
            steps_.Run(convertStep + 2, [&] {
                pendingText_ += value.size() + newText.size();
                field.guard = value;
                field.newValue = newText;
                pending.step = convertStep + 4;
                changes = true;
            });
        }
        if (!changes) {
            ++summary_.unchanged;
            return;
        }
        pendingText_ += row.id.size();
        pending_.push_back(std::move(pending));
    }

    // With several fields selected: names the ones the run must leave (each with why) in one
    // message before anything is written, and goes on with the rest.
    void LeaveRefusedFields() {
        QStringList left, kept;
        for (qsizetype k = 0; k < columns_.size(); ++k) {
            const QString reason = session_.Reason(int(k));
            if (reason.isEmpty())
                kept.append(columns_[k]);
            else
                left.append(QStringLiteral("%1 (%2)").arg(columns_[k], reason));
        }
        if (!left.isEmpty()) {
            host_.Show(QString::fromLatin1(ChangeMessages::FieldsLeft)
                           .arg(left.join(QLatin1String(", "))));
            session_.Inspect(table_, kept);
        }
        columns_ = kept;
    }

    void WriteGroup(GroupWriter& writer) {
        if (pending_.empty())
            return;
        const int step = pending_.front().step;
        try {
            writer.Write(pending_, result_);
        } catch (const journal::Error& error) {
            // Nothing unjournalled is written: the run ends before the next group.
            const QString failure = QString::fromLatin1(ChangeMessages::JournalFailed)
                                        .arg(QString::fromUtf8(error.what()));
            steps_.Run(step, [&] { throw std::runtime_error(failure.toStdString()); });
            result_.ended = true;
        }
        pending_.clear();
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
            host_.Wait([&] { tableKey = TableKey(session_.Reader(), session_.Dialect(), table_); });
            journal::RunHeader header =
                RecaseHeader(host_.Profile(), table_, columns_.join(QLatin1String(", ")),
                             host_.CaseBoxText(), tableKey);
            // Undo must name rows by the same key, or other rows would answer to its values.
            if (session_.Dialect().NamesRows()) {
                header.keyColumn = session_.Dialect().keyColumn();
                header.keyType = session_.Dialect().keyType();
            }
            journal_ = journal::RunJournal::Create(header, host_.JournalsKept());
            summary_.journal = journal_->FileName();
        });
    }

    void FinishJournal() {
        summary_.written = result_.written;
        summary_.altered = result_.altered;
        summary_.refused = result_.refused;
        summary_.left = result_.left;
        summary_.connectionLost = result_.connectionLost;
        if (!journal_)
            return;
        try {
            FinishRunJournal(*journal_, summary_);
        } catch (const journal::Error&) {
            // The rows are in the journal; only its closing counts are missing.
        }
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

    // A column the run must not write: one message, nothing changed.
    RunSummary Refuse(const QString& message) {
        Abandon();
        summary_.failure = message;
        host_.Show(message);
        return summary_;
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
    RunSession session_;
    Steps steps_;
    RowSource source_;
    std::unique_ptr<journal::RunJournal> journal_;
    QString table_;
    QString column_;
    QStringList columns_; // the fields the run writes: the current one, or every selected one
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
