#include "change/change_run.h"

#include "app/steps.h"
#include "change/group_writer.h"
#include "change/journal_header.h"
#include "change/pipeline/write_pipeline.h"
#include "change/progress_estimate.h"
#include "change/run_session.h"
#include "change/slice_reader.h"
#include "db/connection.h"
#include "db/dialect/catalogue.h"
#include "db/values.h"
#include "journal/run_journal.h"

#include <memory>
#include <optional>
#include <utility>

namespace {

// The mode's position in the case box (and in the run's step table).
static_assert(int(Case::CaseMode::Upper) == 0 && int(Case::CaseMode::Lower) == 1 &&
              int(Case::CaseMode::Proper) == 2 && int(Case::CaseMode::Sentence) == 3);

// The first of a mode's three row steps (convert, build, execute): 142, 150, 158 and 166 for
// the case box's modes; Name Case, which the box does not offer, numbers its own after the
// last step of the table.
int ConvertStep(Case::CaseMode mode) {
    return mode == Case::CaseMode::Names ? 210 : 142 + 8 * static_cast<int>(mode);
}

constexpr int ChangeTimeoutSeconds = 5000;

// The first line of a database's message, without the ';' a driver may end it with.
QString FirstLine(const QString& description) {
    QString line = description.section(QLatin1Char('\n'), 0, 0).simplified();
    if (line.endsWith(QLatin1Char(';')))
        line.chop(1);
    return line;
}

// One run: the numbered steps of "Start Changing". Each step that fails is reported and the
// run goes on with the next one, except where going on could only repeat the same fault or
// report success for work that was not done: then the run ends after one report.
//
// Rows are read in slices from a cursor on one connection and written in groups through a
// second one, a transaction per group; a row whose converted text equals its old text is
// not written at all. The stages overlap: the next slice is read while this one is converted,
// and a group is journalled while the one before it is on the server (see WritePipeline).
// The steps, reports and progress stay on the caller's thread; it waits through the waiter,
// once per slice or group.
class ChangeRun {
public:
    ChangeRun(const RunRequest& request, RunObserver& observer, RunWaiter& waiter)
        : request_(request), observer_(observer), waiter_(waiter),
          session_(request.profile, waiter), steps_([this](const QString& description, int step) {
              lastFailure_ = description;
              observer_.Report(description, step);
          }),
          pipeline_([this](const std::function<void()>& call) { waiter_.Wait(call); }) {}

    RunSummary Run() {
        // Steps 100 and 102 create the connection and record set objects: the session.
        if (!steps_.Test(104, [&] { return request_.fieldCount > 0; })) {
            steps_.Run(208, [&] { observer_.Show(QLatin1String(ChangeMessages::SelectField)); });
            return summary_;
        }
        if (!Connect() || !Inspect() || columns_.isEmpty()) // all selected fields named as left
            return Abandon();
        if (const QString refusal = Refusal(); !refusal.isEmpty())
            return Refuse(refusal);
        summary_.started = true;
        NoteRowNames();
        if (!OpenJournal())
            return Abandon();
        StartWriters();
        if (!ConvertAll())
            return Abandon();
        Submit();
        Drain();
        if (result_.ended || waiter_.StopRequested()) {
            summary_.stopped = waiter_.StopRequested();
            return Abandon();
        }
        ShowEnd();
        return summary_;
    }

private:
    // Steps 106 to 114: the pointer, the read's cursor, the time-outs, the connections.
    bool Connect() {
        steps_.Run(106, [&] { observer_.SetBusy(true); });
        // The read streams from the server: the client never holds the whole column.
        steps_.Run(108, [&] { session_.Reader().SetCursorLocation(db::adUseServer); });
        steps_.Run(110, [&] { session_.SetCommandTimeout(ChangeTimeoutSeconds); });
        steps_.Run(112, [&] { session_.SetConnectionTimeout(ChangeTimeoutSeconds); });
        return steps_.Run(114, [&] { session_.Open(true, 2); });
    }

    // Step 116: the table and the fields, what the database says of them, and the read.
    // Table and column are taken once: a click on the lists during the run must not send the
    // rest of its statements elsewhere.
    bool Inspect() {
        return steps_.Run(116, [&] {
            table_ = request_.table.Take();
            column_ = request_.field.Take();
            columns_ = request_.selected;
            if (columns_.size() < 2)
                columns_ = {column_};
            session_.Inspect(table_, columns_);
            if (columns_.size() == 1)
                refusal_ = session_.Refusal();
            else
                LeaveRefusedFields();
            if (refusal_.isEmpty() && !columns_.isEmpty())
                reader_.Open(table_, columns_);
        });
    }

    // Why the fields cannot be changed at all; empty when they can.
    QString Refusal() const {
        if (!refusal_.isEmpty())
            return refusal_;
        if (!session_.Facts().known && !reader_.Source().IsText())
            return QLatin1String(ChangeMessages::NotText);
        if (columns_.size() > 1 && !session_.Dialect().NamesRows())
            return QLatin1String(ChangeMessages::OneFieldAtATime);
        return {};
    }

    // Where undo will find rows only by their address, the user is told before anything is
    // written.
    void NoteRowNames() {
        const db::Dialect& dialect = session_.Dialect();
        if (dialect.NamesRows() && dialect.keyColumn().isEmpty())
            observer_.Note(QLatin1String(dialect.CompositeKey() ? ChangeMessages::CompositeKey
                                                                : ChangeMessages::AddressedRows));
    }

    // Each writer's own thread does its waiting; its reports come back through the pipeline.
    void StartWriters() {
        std::array<GroupWriter*, WritePipeline::Writers> writers{};
        for (std::size_t k = 0; k < writers.size(); ++k)
            writers[k] = &writers_[k].emplace(
                session_.Writer(int(k)), session_.Dialect(),
                db::WriteTarget{table_, columns_, reader_.Source().FixedWidths(),
                                session_.National()},
                session_.UpdateTriggers(), pipeline_.Journal(),
                [](const std::function<void()>& call) { call(); }, nullptr);
        pipeline_.Start(writers, session_.Cancelled());
    }

    // Steps 124 to 172: every row read, converted and handed to the writers in groups, until
    // the end, a stop or a fault that ends the run. False where the next slice could not be
    // read.
    bool ConvertAll() {
        // The database's estimate: the bar's range is corrected as the read goes.
        steps_.Run(124, [&] { reader_.Estimate(); });
        // The case is read once: the case box cannot change during a run. A case chosen
        // outside the box needs none of the box's tests.
        mode_ = chosen_ ? chosen_ : ReadMode(140, 8);
        if (!steps_.Test(126, [&] { return !reader_.Next(); }))
            return true;
        while (!reader_.Ended()) {
            ChangeRow();
            if (pending_.size() >= GroupWriter::GroupRows || pendingText_ >= GroupWriter::GroupText)
                Submit();
            if (result_.ended || waiter_.StopRequested())
                break;
            // 172: the next row, reading the next slice when this one is used up.
            if (reader_.Ended() && !steps_.Run(172, [&] { reader_.Next(); }))
                return false;
        }
        return true;
    }

    // Steps 132 to 206: the bar full then reset, the preview read again, and what the user
    // should know before "Done.".
    void ShowEnd() {
        // Every row read is confirmed: the bar ends full before it is reset.
        steps_.Run(132, [&] { observer_.SetProgress(Progress(summary_.rows.read)); });
        steps_.Run(176, [&] { reader_.Close(); });
        steps_.Run(178, [&] { observer_.SetBusy(false); });
        steps_.Run(180, [&] { ResetProgress(); });
        steps_.Run(182, [&] { waiter_.Yield(); });
        if (mode_) {
            // 186, 190, 194, 198; 202 for Name Case.
            steps_.Run(186 + 4 * static_cast<int>(*mode_),
                       [&] { observer_.RecasePreview(*mode_); });
        } else {
            steps_.Run(200, [&] { observer_.Show(QLatin1String(ChangeMessages::NoMode)); });
        }
        summary_.completed = true;
        FinishJournal();
        if (summary_.altered > 0)
            observer_.Show(QString::fromLatin1(ChangeMessages::Altered).arg(summary_.altered));
        if (summary_.rows.refused > 0 || summary_.rows.left > 0)
            observer_.Show(NotChangedMessage());
        steps_.Run(206, [&] { observer_.Show(QLatin1String(ChangeMessages::Done)); });
    }

    // One pass of the row loop (steps 130 to 170): the row joins the group to be written
    // unless the converted text of each of its fields equals its old text.
    void ChangeRow() {
        SourceRow row = reader_.Take();
        const qint64 i = summary_.rows.read++;
        steps_.Run(130, [&] { waiter_.Yield(); });
        // The bar follows the rows the database confirmed, not the rows read.
        steps_.Run(132, [&] { observer_.SetProgress(Progress(i)); });
        PendingRow pending{i, std::move(row.id), {}, 0};
        bool changes = false;
        for (QVariant& old : row.values) {
            FieldChange& field = pending.fields.emplace_back(FieldChange{std::move(old), {}, {}});
            switch (ChangeField(field, int(pending.fields.size() - 1), pending.step)) {
            case FieldOutcome::Refused:
                ++result_.rows.refused;
                return;
            case FieldOutcome::Changed:
                changes = true;
                break;
            case FieldOutcome::Same:
                break;
            }
        }
        if (!changes) {
            ++summary_.rows.unchanged;
            return;
        }
        pendingText_ += pending.id.size();
        pending_.push_back(std::move(pending));
    }

    enum class FieldOutcome { Same, Changed, Refused };

    // Steps 134 to the mode's own for one field of a row (column `column`): its new text, where
    // it differs from the old, with `step` the one that reports the row's refusal.
    FieldOutcome ChangeField(FieldChange& field, int column, int& step) {
        QString value;
        const bool read =
            steps_.Run(134, [&] { value = NullToDefault(field.oldValue, QString()).toString(); });
        if (!mode_ || !read)
            return FieldOutcome::Same;
        // Each mode has three steps: convert, build, execute.
        const int convertStep = ConvertStep(*mode_);
        QString newText;
        if (!steps_.Run(convertStep,
                        [&] { newText = Case::ConvertValue(*mode_, value, exceptions_); }) ||
            newText == value)
            return FieldOutcome::Same;
        // A character the column's set lacks would be stored as another: the row is refused at
        // its step and never sent.
        const QString unheld = session_.Unheld(column, value, newText);
        if (!unheld.isEmpty()) {
            steps_.ReportAt(convertStep + 4, unheld);
            return FieldOutcome::Refused;
        }
        bool changed = false;
        steps_.Run(convertStep + 2, [&] {
            pendingText_ += value.size() + newText.size();
            field.guard = value;
            field.newValue = newText;
            step = convertStep + 4;
            changed = true;
        });
        return changed ? FieldOutcome::Changed : FieldOutcome::Same;
    }

    // The share of the rows the database confirmed, by the estimate corrected to the rows
    // read; never lower than before. `handled`: the rows converted so far.
    double Progress(qint64 handled) {
        if (pending_.empty() && pipeline_.Empty())
            bar_.Confirm(handled); // nothing converted is waiting to be written
        return bar_.Value(reader_.ExpectedTotal(summary_.rows.read));
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
        summary_.fieldsLeft = left.size();
        if (!left.isEmpty()) {
            observer_.Show(QString::fromLatin1(ChangeMessages::FieldsLeft)
                               .arg(left.join(QLatin1String(", "))));
            session_.Inspect(table_, kept);
        }
        columns_ = kept;
    }

    // Hands the pending rows to the pipeline as one group, once it has room.
    void Submit() {
        if (pending_.empty())
            return;
        while (pipeline_.Full())
            Apply(pipeline_.TakeOldest());
        if (result_.ended)
            pending_.clear(); // nothing more is sent
        else
            pipeline_.Submit(pending_, summary_.rows.read, pending_.front().step);
        pendingText_ = 0;
        while (pipeline_.OldestReady())
            Apply(pipeline_.TakeOldest());
    }

    // Sends the rows converted so far and waits for them: before the read starts again. False
    // where the run ended meanwhile.
    bool SettleHandedOn() {
        Submit();
        Drain();
        return !result_.ended;
    }

    // Waits for every group in flight.
    void Drain() {
        while (!pipeline_.Empty())
            Apply(pipeline_.TakeOldest());
    }

    // Takes in what became of a group: its counts, and its faults reported at their steps.
    void Apply(const GroupOutcome& outcome) {
        const GroupResult& group = outcome.result;
        // A run ends after one report: the groups in flight when it ended (the connection
        // lost, the table gone) meet the same fault again, and say nothing new.
        const bool consequence = (abandoning_ || result_.ended) && group.ended;
        // The writer reports each row it refused, then what ended the run, if anything did.
        for (std::size_t k = 0; k < outcome.reports.size(); ++k) {
            const auto& [description, step] = outcome.reports[k];
            if (qint64(k) >= outcome.result.rows.refused) {
                if (!consequence)
                    steps_.ReportAt(step, description);
                continue;
            }
            if (firstRefusal_.isNull())
                firstRefusal_ = FirstLine(description);
            lastFailure_ = description;
            observer_.Refused(description, step);
        }
        const bool endedBefore = result_.ended;
        result_ += group;
        if (!outcome.journalFailure.isEmpty()) {
            // Nothing unjournalled is written: the run ends before the next group.
            const QString failure =
                QString::fromLatin1(ChangeMessages::JournalFailed).arg(outcome.journalFailure);
            if (!endedBefore)
                steps_.ReportAt(outcome.step, failure);
            result_.ended = true;
        }
        if (!result_.ended)
            bar_.Confirm(outcome.rowsThrough);
    }

    bool OpenJournal() {
        if (!request_.keepsJournal)
            return true;
        return steps_.Run(116, [&] {
            QString tableKey;
            waiter_.Wait([&] {
                tableKey = db::ReadTableKey(session_.Reader(), session_.Dialect(), table_);
            });
            journal::RunHeader header =
                RecaseHeader(request_.profile, table_, columns_.join(QLatin1String(", ")),
                             chosen_ ? Case::ModeText(*chosen_) : request_.caseBox, tableKey);
            // Undo must name rows by the same key, or other rows would answer to its values.
            if (session_.Dialect().NamesRows()) {
                header.keyColumn = session_.Dialect().keyColumn();
                header.keyType = session_.Dialect().keyType();
            }
            pipeline_.OpenJournal(header);
            summary_.journal = pipeline_.Journal()->FileName();
        });
    }

    void FinishJournal() {
        summary_.rows += std::exchange(result_.rows, {});
        summary_.altered = result_.altered;
        summary_.connectionLost = result_.connectionLost;
        summary_.cpu.read = reader_.CpuSeconds();
        pipeline_.AddCpuSeconds(summary_.cpu);
        if (!pipeline_.Journal())
            return;
        try {
            pipeline_.OnJournal([this] { FinishRunJournal(*pipeline_.Journal(), summary_); });
        } catch (const journal::Error&) {
            // The rows are in the journal; only its closing counts are missing.
        }
    }

    // Reads back the rows of groups whose COMMIT was in doubt through the first writer's
    // connection that still answers; with none, they stay in doubt (undo goes by their guard).
    void SettleInDoubt() {
        for (std::optional<GroupWriter>& writer : writers_) {
            for (int k = 0; writer && writer->InDoubt() && k < int(writers_.size()); ++k) {
                try {
                    waiter_.Wait([&] { writer->SettleInDoubt(session_.Writer(k), result_); });
                } catch (const db::Error&) {
                    // lost too: the next
                } catch (const journal::Error&) {
                    return; // counted; the journal keeps them in doubt
                }
            }
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
        for (const auto& word : words) {
            if (steps_.Test(step, [&] {
                    return request_.caseBox.toLower().contains(QLatin1String(word.first));
                }))
                return word.second;
            step += stepsBetweenTests;
        }
        return std::nullopt;
    }

    void ResetProgress() {
        observer_.SetProgress(0);
        observer_.SetProgressText(QStringLiteral("Progress Bar"));
    }

    // How many rows the run did not change, and why.
    QString NotChangedMessage() const {
        QStringList parts;
        if (summary_.rows.refused > 0)
            parts.append(
                QString::fromLatin1(ChangeMessages::RefusedPart).arg(summary_.rows.refused) +
                (firstRefusal_.isEmpty()
                     ? QString()
                     : QString::fromLatin1(ChangeMessages::FirstReason).arg(firstRefusal_)));
        if (summary_.rows.left > 0)
            parts.append(QString::fromLatin1(ChangeMessages::LeftPart).arg(summary_.rows.left));
        const qint64 rows = summary_.rows.refused + summary_.rows.left;
        return QString::fromLatin1(ChangeMessages::NotChanged)
            .arg(rows == 1 ? QStringLiteral("1 row was") : QStringLiteral("%1 rows were").arg(rows),
                 parts.join(QLatin1String(", ")));
    }

    // A column the run must not write: one message, nothing changed.
    RunSummary Refuse(const QString& message) {
        Abandon();
        summary_.failure = message;
        observer_.Show(message);
        return summary_;
    }

    // Ends a run that cannot go on after its fault was reported: nothing is recased and no
    // "Done." is shown.
    RunSummary Abandon() {
        abandoning_ = !lastFailure_.isEmpty();
        reader_.Stop();
        Drain();
        SettleInDoubt();
        if (summary_.failure.isEmpty())
            summary_.failure = lastFailure_;
        observer_.SetBusy(false);
        ResetProgress();
        FinishJournal();
        return summary_;
    }

    const RunRequest& request_;
    RunObserver& observer_;
    RunWaiter& waiter_;
    RunSession session_;
    Steps steps_;
    QString table_;
    QString column_;
    QStringList columns_; // the fields the run writes: the current one, or every selected one
    QString refusal_;     // why the database's facts refuse the one field; empty when none
    std::optional<Case::CaseMode> mode_;
    const std::optional<Case::CaseMode> chosen_ = request_.chosenMode;
    const Case::NameExceptions& exceptions_ = request_.exceptions;
    std::vector<PendingRow> pending_;
    qsizetype pendingText_ = 0;
    GroupResult result_;
    RunSummary summary_;
    QString lastFailure_;
    QString firstRefusal_;    // why the database refused the run's first refused row
    ConfirmedShare bar_;      // the bar's value
    bool abandoning_ = false; // a reported fault ended the run: the groups in flight drain
    // Declared after what they use, so that they end first: the writers with the groups in
    // flight, the pipeline (which closes the journal), the reader with its slice ahead.
    std::array<std::optional<GroupWriter>, WritePipeline::Writers> writers_;
    WritePipeline pipeline_;
    SliceReader reader_{session_, waiter_, [this] { return SettleHandedOn(); }};
};

} // namespace

RunSummary RunChange(const RunRequest& request, RunObserver& observer, RunWaiter& waiter) {
    return ChangeRun(request, observer, waiter).Run();
}
