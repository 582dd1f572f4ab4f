#include "change/undo_run.h"

#include "change/group_writer.h"
#include "change/journal_header.h"
#include "db/connection.h"
#include "db/dialect/dialect.h"
#include "db/recordset.h"
#include "journal/run_journal.h"

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

class Undo {
public:
    explicit Undo(ChangeRunHost& host) : host_(host) {}

    RunSummary Run(qint64 runId) {
        try {
            return Restore(runId);
        } catch (const std::exception& error) {
            summary_.failure = QString::fromUtf8(error.what());
            if (summary_.started)
                host_.Report(summary_.failure, 0);
            summary_.connectionLost = summary_.connectionLost || IsLost(error);
            Finish();
            return summary_;
        }
    }

private:
    static bool IsLost(const std::exception& error) {
        const auto* dbError = dynamic_cast<const db::Error*>(&error);
        return dbError && dbError->connectionLost();
    }

    RunSummary Restore(qint64 runId) {
        const std::unique_ptr<journal::RunJournal> run = journal::RunJournal::Open(runId);
        const journal::RunHeader& header = run->Header();
        const ConnectionProfile profile = host_.Profile();
        if (const QString refusal = OtherUser(header, profile); !refusal.isEmpty())
            throw std::runtime_error(refusal.toStdString());
        connection_.SetAutoCommit(false);
        connection_.SetCommandTimeout(UndoTimeoutSeconds);
        connection_.SetConnectionTimeout(UndoTimeoutSeconds);
        host_.SetCanceller([this] { connection_.Cancel(); });
        QString tableKey;
        bool fixedWidth = false;
        std::optional<db::Dialect> dialect;
        host_.Wait([&] {
            connection_.Open(OdbcConnectionString(profile));
            dialect = db::Dialect::Of(connection_, header.table);
            connection_.SetCursorLocation(db::adUseClient);
            tableKey = TableKey(connection_, *dialect, header.table);
            db::Recordset described =
                connection_.Execute(dialect->DescribeStatement(header.table, header.column));
            fixedWidth = described.GetFields()[0].IsFixedWidth();
            connection_.CommitTrans();
        });
        if (const QString refusal = OtherTable(header, tableKey); !refusal.isEmpty())
            throw std::runtime_error(refusal.toStdString());
        summary_.started = true;

        journal::RunHeader undoHeader =
            RecaseHeader(profile, header.table, header.column, QStringLiteral("undo"), tableKey);
        undoHeader.kind = QStringLiteral("undo");
        undoHeader.undoOf = run->Id();
        if (host_.KeepsJournal()) {
            journal_ = journal::RunJournal::Create(undoHeader, host_.JournalsKept());
            summary_.journal = journal_->FileName();
        }
        GroupWriter writer(
            connection_, *dialect, header.table, header.column, fixedWidth, journal_.get(),
            [this](const std::function<void()>& call) { host_.Wait(call); },
            [this](const QString& description, int step) { host_.Report(description, step); });

        const qint64 total = run->Counts().entries;
        std::vector<PendingRow> pending;
        run->ForEach([&](const std::vector<journal::Entry>& entries) {
            if (result_.hopeless || host_.StopRequested())
                return;
            for (const journal::Entry& entry : entries) {
                ++summary_.read;
                host_.SetProgress(
                    total > 0 ? std::min(100.0 * double(summary_.read) / double(total), 100.0)
                              : 100.0);
                // A row journalled but never written holds its old value already.
                if (entry.state != journal::EntryState::Written) {
                    ++summary_.unchanged;
                    continue;
                }
                if (!dialect->CanWrite(entry.idAfter))
                    throw std::runtime_error(
                        "The table has lost the primary key the run named its rows by.");
                pending.push_back({entry.row, entry.idAfter, QVariant(entry.newValue),
                                   entry.newValue, entry.oldValue.toString(), 0});
            }
            writer.Write(pending, result_);
        });
        writer.Write(pending, result_);
        summary_.stopped = !result_.hopeless && host_.StopRequested();
        summary_.completed = !result_.hopeless && !summary_.stopped;
        Finish();
        return summary_;
    }

    void Finish() {
        summary_.written = result_.written;
        summary_.refused = result_.refused;
        summary_.left = result_.left;
        summary_.connectionLost = summary_.connectionLost || result_.connectionLost;
        if (journal_)
            FinishRunJournal(*journal_, summary_);
    }

    ChangeRunHost& host_;
    db::Connection connection_;
    std::unique_ptr<journal::RunJournal> journal_;
    GroupResult result_;
    RunSummary summary_;
};

} // namespace

RunSummary UndoRun(ChangeRunHost& host, qint64 runId) {
    return Undo(host).Run(runId);
}
