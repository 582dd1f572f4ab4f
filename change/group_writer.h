#pragma once

#include "db/connection.h"
#include "db/dialect/dialect.h"
#include "db/error.h"
#include "db/statement.h"
#include "db/transaction.h"
#include "journal/row_counts.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace journal {
class RunJournal;
struct Entry;
} // namespace journal

// What a row waiting to be written does to one column.
struct FieldChange {
    QVariant oldValue; // exact old value (a null QVariant for NULL)
    QString guard;     // the value it must still hold; a null QString leaves the column alone
    QString newValue;  // the value it gets
    bool Changes() const { return !guard.isNull(); }
};

// One row waiting to be written.
struct PendingRow {
    qint64 row = 0;                  // its number in the run, from 0
    QString id;                      // its identity as read
    std::vector<FieldChange> fields; // one per column the writer writes, in its order
    int step = 0;                    // the step that reports its refusal
};

// What became of the groups written so far.
struct GroupResult {
    journal::RowCounts rows; // read stays 0
    qint64 altered = 0;      // written, but the database stored another value than the one sent
    // No later row can be written: the connection is lost, the table or column is gone, or
    // the call was cancelled. The fault was reported once.
    bool ended = false;
    bool connectionLost = false;
    bool cancelled = false;

    // Takes in what became of another group.
    GroupResult& operator+=(const GroupResult& other) {
        rows += other.rows;
        altered += other.altered;
        ended = ended || other.ended;
        connectionLost = connectionLost || other.connectionLost;
        cancelled = cancelled || other.cancelled;
        return *this;
    }
};

// Writes rows in groups, one transaction each, through one statement prepared for the run:
// journals a group's rows before sending it, sends the group in one execution and learns
// each row's exact outcome (the rows the database returns, or a count that must match the
// group; else the group is rolled back and its rows are sent one at a time). A row the
// database refuses is reported once, at its own step, while the others still land; a group
// whose COMMIT the database refuses (a deferred constraint) is rolled back and sent again a
// row at a time. The journal learns each row's outcome before the transaction commits, so
// after a crash it never shows a row as unwritten that the database holds converted, and
// the commit once it succeeded: only then do the rows count as written. A COMMIT whose
// outcome is unknown (the connection lost around it) leaves its rows in doubt until
// SettleInDoubt reads them back.
class GroupWriter {
public:
    using Wait = std::function<void(const std::function<void()>&)>;
    using Report = std::function<void(const QString& description, int step)>;

    // The connection must be open without automatic commit. journal may be null.
    // `readBack`: where the write returns only a count, read each written row's stored value
    // back (a trigger may change it on its way in).
    GroupWriter(db::Connection& connection, const db::Dialect& dialect, db::WriteTarget target,
                bool readBack, journal::RunJournal* journal, Wait wait, Report report);
    ~GroupWriter();

    // Most rows one execution carries; a group also ends at about a megabyte of text.
    static constexpr int GroupRows = 1000;
    static constexpr qsizetype GroupText = 1 << 20;

    // A group's journal entries, one per column a row changes; a row's run from its start.
    struct Entries {
        std::vector<journal::Entry> entries;
        std::vector<std::size_t> start; // per row, and one past the last
        std::span<journal::Entry> Of(std::size_t row);
    };
    // Rows on their way: taken from the pending list, then journalled, then sent.
    struct Group {
        std::vector<PendingRow> rows;
        Entries entries;
        std::vector<db::ParameterColumn> parameters; // the write's, for all rows at once
    };

    // Writes the rows (emptying the list) and adds what became of them to the result.
    // Throws journal::Error when the journal cannot be written: the group in hand is then
    // rolled back, and every row written before it stays journalled.
    void Write(std::vector<PendingRow>& rows, GroupResult& result);

    // The three parts of Write, for a run that does them on different threads, in this order.
    // Take needs no database (it also lays out the write's parameters); Journal appends the group's
    // entries (on the journal's thread); Send writes the journalled group, reaching the journal
    // through JournalThrough.
    Group Take(std::vector<PendingRow>& rows) const;
    void Journal(Group& group);
    void Send(Group& group, GroupResult& result);
    // How the writer reaches the journal while it writes (default: directly).
    void JournalThrough(std::function<void(const std::function<void()>&)> run) {
        journalThrough_ = std::move(run);
    }

    // Called for each row left alone because its guard did not hold (or its identity named no
    // row), after its group settled. A row the write did not reach is read back first: one a
    // policy withheld is refused (and reported), one holding its new value already unchanged.
    void OnLeft(std::function<void(const PendingRow&)> left) { left_ = std::move(left); }
    // Where the faults of rows and groups are reported from now on.
    void Reports(Report report) { report_ = std::move(report); }
    // Reads back, through `connection` (another than the writer's, which is lost), the rows
    // of the groups whose COMMIT was in doubt, and records those that hold their new values as
    // committed, counting them into the result; the others stay in doubt. Throws db::Error
    // when the connection cannot read them.
    void SettleInDoubt(db::Connection& connection, GroupResult& result);
    bool InDoubt() const { return !inDoubt_.empty(); }
    // True once the user asked the run to stop: a call then cancelled ends the run quietly.
    void StopRequested(std::function<bool()> stopRequested) {
        stopRequested_ = std::move(stopRequested);
    }

private:
    bool WriteGroup(Group& group, GroupResult& result);
    void WriteOne(const PendingRow& row, std::span<journal::Entry> entries, GroupResult& result);
    // Sends the rows in one execution; false when a count says some were not written.
    bool Execute(std::span<const PendingRow> rows, Entries& entries,
                 const std::vector<db::ParameterColumn>& parameters);
    std::vector<db::ParameterColumn> Parameters(std::span<const PendingRow> rows) const;
    void ReadBack(const PendingRow& row, std::span<journal::Entry> entries);
    // The row's entries written, with the values the database stored (columns from `first`).
    void Written(const PendingRow& row, std::span<journal::Entry> entries, const QString& idAfter,
                 const db::Fields* stored, int first);
    db::Statement& Prepared(int kind, const QString& text, std::vector<db::ParameterType> types);
    // Journals the rows' outcomes, commits and counts them. Returns the COMMIT's refusal
    // when the database refused it as a row's fault (rolled back, nothing reported).
    std::optional<db::Error> Settle(db::Transaction& transaction, std::span<const PendingRow> rows,
                                    Entries& entries, GroupResult& result);
    // Counts the rows written; returns the places of those not written, for CountUnreached.
    std::vector<std::size_t> Count(std::span<const PendingRow> rows, Entries& entries,
                                   GroupResult& result);
    // The database's mark of the commit just made (CommitMarkStatement), or empty.
    QString CommitMark(const Entries& entries);
    // `beforeCommit`: synced to disk too, for the COMMIT that follows.
    void SettleJournal(const std::vector<journal::Entry>& entries, bool beforeCommit = false);
    // Runs a call on the journal, where the writer reaches it; nothing without a journal.
    void OnJournal(const std::function<void()>& call);
    void CountUnreached(std::span<const PendingRow> rows, const std::vector<std::size_t>& at,
                        GroupResult& result);
    void End(const db::Error& error, db::Fault fault, int step, GroupResult& result);
    // Ends a transaction not committed where the writer waits for its other calls; one left
    // open by an exception rolls back on its own, on the spot.
    void RollBack(db::Transaction& transaction);

    db::Connection& connection_;
    db::Dialect dialect_;
    db::WriteTarget target_;
    bool readBack_;
    journal::RunJournal* journal_;
    Wait wait_;
    Report report_;
    std::function<void(const PendingRow&)> left_;
    std::function<bool()> stopRequested_;
    std::function<void(const std::function<void()>&)> journalThrough_;
    // Prepared on first use: the write (by row address and by key) and the read-back.
    std::map<int, std::unique_ptr<db::Statement>> statements_;
    // Groups (or rows) whose COMMIT may or may not have landed.
    struct Doubt {
        std::vector<PendingRow> rows;
        Entries entries;
    };
    std::vector<Doubt> inDoubt_;

    // Statements reading rows back on another connection, by key or by address.
    using ReadBacks = std::map<int, std::unique_ptr<db::Statement>>;
    // The row in doubt holds every value its write sent.
    bool HoldsWritten(db::Connection& connection, ReadBacks& reads, const PendingRow& pending,
                      std::span<const journal::Entry> row);
};
