#include "change/undo_run.h"

#include "change/group_writer.h"
#include "change/journal_header.h"
#include "change/run_session.h"
#include "change/undo_by_value.h"
#include "db/recordset.h"
#include "journal/run_journal.h"

namespace {

constexpr int UndoTimeoutSeconds = 5000;

// Refuses to write into another database, user or table than the run's own.
QString Mismatch(const journal::RunHeader& run, const ConnectionProfile& profile,
                 const QString& tableKey) {
    if (run.sid != profile.sid || run.user != profile.user)
        return QStringLiteral("The run was made by %1 on %2, not by %3 on %4.")
            .arg(run.user, run.sid, profile.user, profile.sid);
    if (!run.tableKey.isEmpty() && run.tableKey != tableKey)
        return QStringLiteral("The table %1 is not the one the run changed (it was dropped and "
                              "made anew since).")
            .arg(run.table);
    return {};
}

class Undo {
public:
    explicit Undo(ChangeRunHost& host) : host_(host), session_(host) {}

    RunSummary Run(qint64 runId) {
        try {
            return Restore(runId);
        } catch (const std::exception& error) {
            summary_.failure = QString::fromUtf8(error.what());
            if (summary_.started)
                host_.Report(summary_.failure, 0);
            summary_.connectionLost =
                summary_.connectionLost || session_.Classify(error) == db::Fault::ConnectionLost;
            Finish();
            return summary_;
        }
    }

private:
    RunSummary Restore(qint64 runId) {
        const std::unique_ptr<journal::RunJournal> run = journal::RunJournal::Open(runId);
        const journal::RunHeader& header = run->Header();
        const ConnectionProfile profile = host_.Profile();
        session_.SetCommandTimeout(UndoTimeoutSeconds);
        session_.SetConnectionTimeout(UndoTimeoutSeconds);
        session_.Open(false, true);
        session_.Inspect(header.table, {header.column});
        db::Connection& connection = session_.Writer();
        QString tableKey;
        bool fixedWidth = false;
        host_.Wait([&] {
            connection.SetCursorLocation(db::adUseClient);
            tableKey = TableKey(connection, session_.Dialect(), header.table);
            db::Recordset described = connection.Execute(
                session_.Dialect().DescribeStatement(header.table, header.column));
            fixedWidth = described.GetFields()[0].IsFixedWidth();
            connection.CommitTrans();
        });
        if (const QString refusal = Mismatch(header, profile, tableKey); !refusal.isEmpty())
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
        const db::Dialect& dialect = session_.Dialect();
        GroupWriter writer(
            connection, dialect, {header.table, {header.column}, {fixedWidth}},
            session_.UpdateTriggers(), journal_.get(),
            [this](const std::function<void()>& call) { host_.Wait(call); },
            [this](const QString& description, int step) { host_.Report(description, step); });
        writer.StopRequested([this] { return host_.StopRequested(); });

        // Rows their identity no longer finds are tried by value at the end.
        UndoByValue byValue;
        writer.OnLeft([&](const PendingRow& row) { byValue.Add(row); });
        const qint64 total = header.read;
        std::vector<PendingRow> pending;
        run->ForEach([&](const std::vector<journal::Entry>& entries) {
            if (result_.ended || host_.StopRequested())
                return;
            for (const journal::Entry& entry : entries) {
                ++summary_.read;
                host_.SetProgress(RunSession::Percent(summary_.read, total));
                // A row journalled but never written holds its old value already.
                if (entry.state != journal::EntryState::Written) {
                    ++summary_.unchanged;
                    continue;
                }
                if (!dialect.CanWrite(entry.idAfter))
                    throw std::runtime_error(
                        "The table has lost the primary key the run named its rows by.");
                const PendingRow row{
                    entry.row,
                    entry.idAfter,
                    {{QVariant(entry.newValue), entry.newValue, entry.oldValue.toString()}},
                    0};
                // Written by value before: no identity to find it by.
                if (entry.idAfter.isEmpty()) {
                    ++result_.left;
                    byValue.Add(row);
                    continue;
                }
                pending.push_back(row);
            }
            writer.Write(pending, result_);
        });
        writer.Write(pending, result_);
        if (!result_.ended && !host_.StopRequested())
            byValue.Restore(
                connection, dialect, {header.table, {header.column}, {fixedWidth}}, journal_.get(),
                [this](const std::function<void()>& call) { host_.Wait(call); }, result_);
        summary_.stopped = host_.StopRequested();
        summary_.completed = !result_.ended && !summary_.stopped;
        Finish();
        return summary_;
    }

    void Finish() {
        summary_.written = result_.written;
        summary_.altered = result_.altered;
        summary_.refused = result_.refused;
        summary_.left = result_.left;
        summary_.connectionLost = summary_.connectionLost || result_.connectionLost;
        if (journal_)
            FinishRunJournal(*journal_, summary_);
    }

    ChangeRunHost& host_;
    RunSession session_;
    std::unique_ptr<journal::RunJournal> journal_;
    GroupResult result_;
    RunSummary summary_;
};

} // namespace

RunSummary UndoRun(ChangeRunHost& host, qint64 runId) {
    return Undo(host).Run(runId);
}
