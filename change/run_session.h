#pragma once

#include "change/change_run.h"
#include "change/run_observer.h"
#include "db/connection.h"
#include "db/dialect/dialect.h"

#include <array>
#include <atomic>
#include <optional>

class RowSource;

// What a run, an undo and a dry run share: the connections (a reader that streams the column,
// a writer without automatic commit), their time-outs and session settings, the canceller the
// waiter calls, the dialect of the database and what it says of the column.
class RunSession {
public:
    RunSession(ConnectionProfile profile, RunWaiter& waiter);
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    db::Connection& Reader() { return reader_; }
    // The writers: a run writes through two, each group through one of them in turn.
    db::Connection& Writer(int k = 0) { return writers_[std::size_t(k)]; }

    // The time-outs of both connections, in seconds.
    void SetCommandTimeout(int seconds);
    void SetConnectionTimeout(int seconds);
    // Opens the reader if asked for and `writers` writers, with the profile, through the
    // waiter's Wait.
    void Open(bool read, int writers);
    // Opens the reader anew after its connection failed.
    void ReopenReader();
    // Learns the database's dialect for the table and what it says of each column (through
    // Wait, on the first open connection).
    void Inspect(const QString& table, const QStringList& columns);

    // Opens the read of the columns on the reader (through the caller's Wait). Where the user
    // may not read the rows' identity, the session's dialect names rows by their value from
    // then on.
    void OpenRead(RowSource& source, const QString& table, const QStringList& columns);

    const db::Dialect& Dialect() const { return *dialect_; }
    const db::ColumnFacts& Facts(int column = 0) const { return facts_.at(std::size_t(column)); }
    // The table has update triggers, which may change a value on its way in.
    bool UpdateTriggers() const;
    // Per column: national character data (NCHAR, NVARCHAR2), or not known to be plain.
    std::vector<bool> National() const;
    // Why column k cannot take the converted text: a character its character set lacks, which
    // the database would store as a replacement character; empty when it can.
    QString Unheld(int column, const QString& old, const QString& text) const;
    // Why column k must not be written, one message; empty when it may.
    QString Refusal(int column = 0) const;
    // The same as a few words, for a list of several columns.
    QString Reason(int column) const;
    // The waiter cancelled the calls in progress (the user asked the run to stop); may be read
    // from any thread.
    const std::atomic<bool>& Cancelled() const { return cancelled_; }
    // What a fault means for the rest of the run.
    db::Fault Classify(const std::exception& error) const;

    // The share of `done` in `total`, in percent, at most 100 (100 for an empty total).
    static double Percent(qint64 done, qint64 total);

private:
    db::Connection& First() { return reader_.IsOpen() ? reader_ : writers_[0]; }

    const ConnectionProfile profile_;
    RunWaiter& waiter_;
    db::Connection reader_;
    std::array<db::Connection, 2> writers_;
    std::optional<db::Dialect> dialect_;
    std::vector<db::ColumnFacts> facts_;
    std::vector<QString> limitedSets_; // per column: its set where it lacks characters
    std::atomic<bool> cancelled_ = false;
};
