#include "change/undo_run.h"

#include "change/group_writer.h"
#include "change/journal_header.h"
#include "change/run_session.h"
#include "db/dialect/catalogue.h"
#include "db/recordset.h"
#include "journal/run_journal.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int UndoTimeoutSeconds = 5000;

// Refuses to write into another database or as another user than the run's own; known
// before connecting, so the table (maybe not visible to that user) is never looked up.
QString OtherUser(const journal::RunHeader& run, const ConnectionProfile& profile) {
    if (run.sid != profile.sid || run.user != profile.user)
        return QStringLiteral("The run was made by %1 on %2, not by %3 on %4.")
            .arg(run.user, run.sid, profile.user, profile.sid);
    return {};
}

// Refuses to write into another table of the same name than the run's own.
QString OtherTable(const journal::RunHeader& run, const QString& tableKey) {
    if (!run.tableKey.isEmpty() && run.tableKey != tableKey)
        return QStringLiteral("The table %1 is not the one the run changed (it was dropped and "
                              "made anew since).")
            .arg(run.table);
    return {};
}

// Refuses to name rows by a key other than the one the run named them by: the same values
// in another column would be other rows.
QString OtherKey(const journal::RunHeader& run, const db::Dialect& dialect) {
    if (run.keyColumn.isEmpty() || run.keyColumn == dialect.keyColumn())
        return {};
    return QStringLiteral("The run named the rows of %1 by its primary key %2, but the table's "
                          "primary key is %3 now; nothing was restored.")
        .arg(run.table, run.keyColumn,
             dialect.keyColumn().isEmpty() ? QStringLiteral("gone") : dialect.keyColumn());
}

class Undo {
public:
    Undo(ConnectionProfile profile, RunObserver& observer, RunWaiter& waiter)
        : profile_(std::move(profile)), observer_(observer), waiter_(waiter),
          session_(profile_, waiter) {}

    RunSummary Run(qint64 runId) {
        try {
            return Restore(runId);
        } catch (const std::exception& error) {
            summary_.failure = QString::fromUtf8(error.what());
            if (summary_.started)
                observer_.Report(summary_.failure, 0);
            summary_.connectionLost =
                summary_.connectionLost || session_.Classify(error) == db::Fault::ConnectionLost;
            Finish();
            return summary_;
        }
    }

private:
    RunSummary Restore(qint64 runId) {
        const std::unique_ptr<journal::RunJournal> run = journal::RunJournal::Open(runId);
        header_ = run->Header();
        if (const QString refusal = OtherUser(header_, profile_); !refusal.isEmpty())
            return Refused(refusal);
        const QString tableKey = Inspect(*run);
        for (const QString& refusal :
             {OtherTable(header_, tableKey), OtherKey(header_, session_.Dialect())}) {
            if (!refusal.isEmpty())
                return Refused(refusal);
        }
        summary_.started = true;
        CreateJournal(run->Id(), tableKey);
        PutBack(*run);
        summary_.stopped = waiter_.StopRequested();
        summary_.completed = !result_.ended && !summary_.stopped;
        Finish();
        return summary_;
    }

    // An undo refused before it wrote anything: the summary says why.
    RunSummary Refused(const QString& refusal) {
        summary_.failure = refusal;
        Finish();
        return summary_;
    }

    // Ends an undo that has started where it is, telling the user why; rows taken but not yet
    // sent are not written.
    void Refuse(const QString& refusal) {
        summary_.failure = refusal;
        observer_.Report(refusal, 0);
        result_.ended = true;
    }

    // Connects, learns the table and the run's columns as they are now; returns the table's
    // key on the server.
    QString Inspect(const journal::RunJournal& run) {
        session_.SetCommandTimeout(UndoTimeoutSeconds);
        session_.SetConnectionTimeout(UndoTimeoutSeconds);
        session_.Open(false, 1);
        columns_ = run.Columns();
        session_.Inspect(header_.table, columns_);
        db::Connection& connection = session_.Writer();
        QString tableKey;
        waiter_.Wait([&] {
            connection.SetCursorLocation(db::adUseClient);
            tableKey = db::ReadTableKey(connection, session_.Dialect(), header_.table);
            for (const QString& column : columns_) {
                db::Recordset described =
                    connection.Execute(session_.Dialect().DescribeStatement(header_.table, column));
                fixedWidth_.push_back(described.GetFields()[0].IsFixedWidth());
            }
            connection.CommitTrans();
        });
        return tableKey;
    }

    // The undo's own journal, so that it can be undone in turn.
    void CreateJournal(qint64 runId, const QString& tableKey) {
        journal::RunHeader header =
            RecaseHeader(profile_, header_.table, header_.column, QStringLiteral("undo"), tableKey);
        header.kind = QStringLiteral("undo");
        header.undoOf = runId;
        header.keyColumn = header_.keyColumn;
        header.keyType = header_.keyType;
        journal_ = journal::RunJournal::Create(header);
        summary_.journal = journal_->FileName();
    }

    // Every row of the run, a slice of the journal at a time, until the end or a stop.
    void PutBack(const journal::RunJournal& run) {
        const qint64 total = run.Counts().entries;
        qint64 taken = 0;
        run.ForEach([&](const std::vector<journal::Entry>& entries) {
            if (result_.ended || waiter_.StopRequested())
                return;
            for (const journal::Entry& entry : entries) {
                observer_.SetProgress(RunSession::Percent(++taken, total));
                Take(entry);
                if (result_.ended)
                    return;
            }
            Writer().Write(pending_, result_);
        });
        if (!result_.ended && !waiter_.StopRequested())
            TakeRow();
        Writer().Write(pending_, result_);
    }

    // One journalled field. The fields of one row of the run come one after another, with its
    // identity and each in another column: they are put back together, as one row.
    void Take(const journal::Entry& entry) {
        if (!row_.empty() &&
            (entry.idBefore.isEmpty() || entry.idBefore != row_.front().idBefore ||
             std::any_of(row_.begin(), row_.end(), [&](const journal::Entry& field) {
                 return field.column == entry.column;
             })))
            TakeRow();
        row_.push_back(entry);
    }

    // One row of the run, with the fields it changed: put back the way the run wrote it.
    void TakeRow() {
        if (row_.empty())
            return;
        ++summary_.rows.read;
        const std::vector<journal::Entry> fields = std::exchange(row_, {});
        const auto written = std::find_if(fields.begin(), fields.end(), [](const auto& field) {
            return field.state == journal::EntryState::Written;
        });
        // A row journalled but never written holds its old value already.
        if (written == fields.end()) {
            ++summary_.rows.unchanged;
            return;
        }
        const journal::Entry& entry = *written;
        if (!session_.Dialect().CanWrite(entry.idAfter)) {
            Refuse(QStringLiteral("The table has lost the primary key the run named its rows by."));
            return;
        }
        // Only a row proven to be the one the run wrote is written: by its key, or by its
        // address in the version the run's write made. Written by value, or journalled
        // without a version, a row cannot be told from another that took its place.
        // An Oracle address carries no version of its own: the SCN read at its group's commit
        // stands for it.
        QString id = entry.idAfter;
        if (!entry.commitMark.isEmpty() && !db::Dialect::IsKeyIdentity(id) &&
            db::Dialect::Unversioned(id) == id)
            id = db::Dialect::Versioned(id, entry.commitMark);
        if (!Versioned().Proves(id)) {
            ++result_.rows.left;
            return;
        }
        PendingRow row{entry.row, id, std::vector<FieldChange>(std::size_t(columns_.size())), 0};
        for (const journal::Entry& field : fields) {
            if (field.state == journal::EntryState::Written)
                row.fields[std::size_t(columns_.indexOf(field.column))] = {
                    QVariant(field.newValue), field.newValue, field.oldValue.toString()};
        }
        pending_.push_back(std::move(row));
    }

    GroupWriter& Writer() {
        if (!writer_) {
            writer_ = std::make_unique<GroupWriter>(
                session_.Writer(), Versioned(),
                db::WriteTarget{header_.table, columns_, fixedWidth_}, session_.UpdateTriggers(),
                journal_.get(), [this](const std::function<void()>& call) { waiter_.Wait(call); },
                [this](const QString& description, int step) {
                    observer_.Report(description, step);
                });
            writer_->StopRequested([this] { return waiter_.StopRequested(); });
        }
        return *writer_;
    }

    db::Dialect Versioned() { return session_.Dialect().WithRowVersions(); }

    void Finish() {
        summary_.rows += std::exchange(result_.rows, {});
        summary_.altered = result_.altered;
        summary_.connectionLost = summary_.connectionLost || result_.connectionLost;
        if (journal_)
            FinishRunJournal(*journal_, summary_);
    }

    const ConnectionProfile profile_;
    RunObserver& observer_;
    RunWaiter& waiter_;
    RunSession session_;
    journal::RunHeader header_;
    QStringList columns_;          // the run's, each row written with all it changed at once
    std::vector<bool> fixedWidth_; // of each column
    std::unique_ptr<GroupWriter> writer_;
    std::vector<PendingRow> pending_;
    std::vector<journal::Entry> row_; // the fields of the row being taken
    std::unique_ptr<journal::RunJournal> journal_;
    GroupResult result_;
    RunSummary summary_;
};

} // namespace

RunSummary UndoRun(const ConnectionProfile& profile, qint64 runId, RunObserver& observer,
                   RunWaiter& waiter) {
    return Undo(profile, observer, waiter).Run(runId);
}
