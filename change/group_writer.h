#pragma once

#include "db/connection.h"
#include "db/dialect/dialect.h"
#include "db/error.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace journal {
class RunJournal;
struct Entry;
} // namespace journal

// One row waiting to be written.
struct PendingRow {
    qint64 row = 0;    // its number in the run, from 0
    QString id;        // its identity as read
    QVariant oldValue; // exact old value (a null QVariant for NULL)
    QString guard;     // the value it must still hold to be written
    QString newValue;  // the value it gets
    int step = 0;      // the step that reports its refusal
};

// What became of a group.
struct GroupResult {
    qint64 written = 0;
    qint64 left = 0;    // another session had changed the row since the read
    qint64 refused = 0; // each reported
    // No later row can succeed: the connection is lost, the table or column is gone, or
    // every write so far was refused alike. The fault was reported once.
    bool hopeless = false;
    bool connectionLost = false;
};

// Writes rows in groups, one transaction each: journals a group's rows before sending it,
// sends it as one statement, and retries a refused group row by row (a transaction each), so
// that a refused row is reported once, at its own step, while every other row of its group
// still lands. The journal learns each row's outcome before the transaction commits, so
// after a crash it never shows a row as unwritten that the database holds converted.
class GroupWriter {
public:
    using Wait = std::function<void(const std::function<void()>&)>;
    using Report = std::function<void(const QString& description, int step)>;

    // The connection must be open without automatic commit. journal may be null.
    GroupWriter(db::Connection& connection, const db::Dialect& dialect, QString table,
                QString column, bool fixedWidth, journal::RunJournal* journal, Wait wait,
                Report report);

    // Most rows one statement carries; a group also ends at about a megabyte of text.
    static constexpr int GroupRows = 1000;
    static constexpr qsizetype GroupText = 1 << 20;

    // Writes the rows (emptying the list) and adds what became of them to the result.
    void Write(std::vector<PendingRow>& rows, GroupResult& result);

private:
    void SendGroup(const std::vector<PendingRow>& rows, std::vector<journal::Entry>& entries);
    void WriteOne(const PendingRow& row, journal::Entry& entry, GroupResult& result);
    void Commit(std::vector<journal::Entry>& entries, int step, GroupResult& result);
    // The fault leaves no later row a chance: the connection is lost, or the table or
    // column is gone.
    bool Ends(const db::Error& error) const;
    void End(const db::Error& error, int step, GroupResult& result);
    void Written();
    void Refused(const db::Error& error, int step, GroupResult& result);

    db::Connection& connection_;
    db::Dialect dialect_;
    QString table_;
    QString column_;
    bool fixedWidth_;
    journal::RunJournal* journal_;
    Wait wait_;
    Report report_;

    // Until a first row is written, refusals alike may mean the statement itself is refused
    // (no permission): the first is reported, the next alike are held back, and the run
    // ends at the third rather than report every row. Once a row was written, or refusals
    // differ, each refusal is a row's own and is reported.
    bool rowLevel_ = false;
    QString firstRefusal_;
    std::vector<std::pair<QString, int>> heldReports_;
};
