#pragma once

#include "journal/row_counts.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

// The journal of one run: every row the run may write, with its identity, its exact old
// value and its new value, so that the run can be undone. One SQLite file per run, owner
// only, in the user's data folder. The header and every row carry a checksum; a journal
// whose checksums do not all match is damaged and never read as a good one.
namespace journal {

// A journal that cannot be created, read or found; what() says which and why.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// What the journal's header says of a run.
struct RunHeader {
    QString kind = QStringLiteral("recase"); // "recase", or "undo" of run undoOf
    qint64 undoOf = 0;
    QString sid;
    QString user; // never the password
    QString table;
    QString column;
    QString mode;     // the case box text, or "undo"
    QString tableKey; // what identifies the table on the server (its object id), may be empty
    // The key column the entries name rows by, and its SQL type; empty when rows are named
    // by their address.
    QString keyColumn;
    QString keyType;
    QDateTime started;
    QDateTime ended;      // invalid while the run is going, or when it never ended
    RowCounts rows;       // set when the run ends
    bool stopped = false; // stopped by the user (Ctrl-C, Esc) before its end
};

// One row of a run. Its state starts Pending when it is journalled (before its group is
// sent), then becomes Written (with the identity the row has after the write) or NotWritten.
// Outcomes are journalled before the transaction that wrote them commits; a Written row
// whose commit was not recorded (a run killed or a connection lost around the COMMIT, or a
// journal written before commits were recorded) may or may not hold its new value.
enum class EntryState { Pending = 0, Written = 1, NotWritten = 2 };

struct Entry {
    qint64 row = 0;    // the row's number in the run, from 0; unique in one journal
    QString idBefore;  // the row's identity when it was read
    QString idAfter;   // its identity after the write (Written only)
    QVariant oldValue; // exact old value; a null QVariant for NULL
    QString newValue;
    EntryState state = EntryState::Pending;
    QString column; // the row's column; empty for the header's (read back filled in)
    // Written, and the database stored newValue rather than the value sent (a trigger changed
    // it): Settle records the value stored.
    bool altered = false;
    qint64 group = 0; // the number AppendPending gave its group; 0 when not known
    // The COMMIT of the transaction that wrote it was recorded as succeeded, with the
    // database's mark of that commit (an SCN on Oracle; may be empty).
    bool committed = false;
    QString commitMark;

    Entry() = default;
    Entry(qint64 row, QString idBefore, QString idAfter, QVariant oldValue, QString newValue,
          EntryState state, QString column = {})
        : row(row), idBefore(std::move(idBefore)), idAfter(std::move(idAfter)),
          oldValue(std::move(oldValue)), newValue(std::move(newValue)), state(state),
          column(std::move(column)) {}
};

// What a journal's entries hold, whether or not the run ended.
struct EntryCounts {
    qint64 entries = 0;
    qint64 written = 0;
    qint64 notWritten = 0;
    qint64 pending = 0;     // journalled, no outcome: in flight when the run ended or stopped
    qint64 uncommitted = 0; // of the written: their COMMIT was not recorded (in doubt)
};

enum class RunState {
    Ended,     // the header has its end and counts
    Running,   // its run holds the journal's lock
    DidNotEnd, // no end, lock free: the run was killed or closed mid-way
    Damaged    // unreadable, or a checksum does not match
};

struct RunInfo {
    qint64 id = 0;
    QString fileName;
    RunHeader header; // what could be read; empty kind when not even the header could
    RunState state = RunState::Ended;
    QString damage;      // why it is damaged
    EntryCounts counts;  // read from the entries (for runs that did not end, at least)
    QDateTime lastWrite; // retention goes by it
    qint64 bytes = 0;
    qint64 undoneBy = 0; // the newest undo of this run that wrote rows, not undone in turn
    // When none undid it whole: the newest such undo that was stopped or did not end; the
    // run is still to undo.
    qint64 partlyUndoneBy = 0;
};

// How far List reads: the headers (and the entries of runs that did not end), or every
// entry of every journal, checked.
enum class ListDepth { Headers, Everything };

// Whether Settle syncs the journal to disk before it returns (on unless turned off); off only
// to measure what the sync costs.
void SetSyncBeforeCommit(bool sync);

class RunJournal {
public:
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // The folder the journals live in: $XDG_DATA_HOME (else ~/.local/share), the
    // organization, the application, "journals". Throws Error, naming XDG_DATA_HOME, where
    // that would be the root folder's (no home folder, or XDG_DATA_HOME=/).
    static QString Folder();
    // Creates the folder when missing; throws Error when no journal could be written there,
    // so that a run can be refused before it starts.
    static void PrepareFolder();

    // Starts the journal of a new run (its id one above the newest) and holds its lock
    // until the object goes, after pruning the folder by CurrentRetention(). The file is
    // created with mode 0600 and its header written; started is set to now. How many journals
    // are kept is the process's retention (see retention.h).
    static std::unique_ptr<RunJournal> Create(RunHeader header);
    // Opens an existing journal for undo, holding its lock shared (pruning leaves it alone)
    // after checking every checksum; id 0 is NewestToUndo. Throws Error when it does not
    // exist, is damaged, or its run is still going, or with id 0 when nothing is to undo.
    static std::unique_ptr<RunJournal> Open(qint64 id = 0);
    // Every journal, newest first; damaged files are listed with what could be read. Throws
    // Error when the folder is another user's or cannot be read.
    static QList<RunInfo> List(ListDepth depth = ListDepth::Everything);
    // The run an undo without a number takes: the newest that is not an undo, has not been
    // undone (see undoneBy; a partly undone run has not), is not running and wrote rows; a
    // damaged journal on the way
    // stops the search (it is taken, to be refused). 0 when there is none.
    static qint64 NewestToUndo(const QList<RunInfo>& runs);
    // Removes a journal on purpose. Throws Error when it does not exist or is in use.
    static void Forget(qint64 id);

    qint64 Id() const;
    QString FileName() const; // "run-000042.sqlite"
    QString Path() const;     // the file's full path
    const RunHeader& Header() const;

    // Appends the entries of a group before it is sent, with the group's record, and commits
    // them (durable against a crash or kill of the program; not synced). Returns the group's
    // number: groups are numbered from 1 in the order appended.
    qint64 AppendPending(const std::vector<Entry>& entries);
    // Records the outcome of rows: Written with idAfter (and the value stored where it was
    // altered), or NotWritten, each replacing one recorded before; commits and (with `sync`)
    // syncs, so that they are on disk before the database's COMMIT is sent. Outcomes for
    // every entry of one group (their `group` set, or found by row) are settled as that
    // group; others each on their own, uncommitted until Committed names them.
    void Settle(const std::vector<Entry>& outcomes, bool sync = true);
    // Puts everything committed to the journal so far on disk; throws Error when it cannot.
    // The one call that may come from another thread while the journal is in use: a writer
    // syncs while the journal goes on with other groups.
    void SyncToDisk() const;
    // Records that the transaction that wrote these outcomes (as last settled) committed;
    // `mark` is the database's mark of that commit, may be empty.
    void Committed(const std::vector<Entry>& outcomes, const QString& mark = {});
    // Writes the end time, the counts and whether the run was stopped into the header.
    void Finish(const RowCounts& rows, bool stopped);

    // What the entries held when the journal was opened (Open only).
    const EntryCounts& Counts() const;
    // The columns its entries name (the header's where an entry names none).
    QStringList Columns() const;

    // Calls back with the entries in row order, `slice` at a time (memory stays flat).
    // Throws Error on an entry that does not match its checksum.
    void ForEach(const std::function<void(const std::vector<Entry>&)>& slice,
                 int sliceSize = 1000) const;

private:
    struct State;
    explicit RunJournal(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

} // namespace journal
