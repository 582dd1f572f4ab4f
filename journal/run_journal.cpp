#include "journal/run_journal.h"

#include "journal/row_statement.h"

#include "journal/checksum.h"
#include "journal/journal_files.h"
#include "journal/journal_proof.h"
#include "journal/proof_cache.h"
#include "journal/retention.h"
#include "journal/run_lock.h"
#include "journal/sqlite_connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlQuery>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace journal {

namespace {

// The journal's format. Format 3 records each group and the commit of what it wrote;
// format 2 (the release before) is still read, its written rows all in doubt. Files of
// another version are not read.
constexpr int FormatVersion = 3;
constexpr int OldestFormat = 2;

// A row's outcome goes to `outcomes` rather than into its entry: an append costs a third of
// an update in place, and Settle runs once per group. An entry without an outcome is as it
// was appended. Each record carries the CRC-32 of its own fields; for entries and outcomes
// it shares one integer with the state (`sealed`: the CRC times 4 plus the state), since
// every value bound through Qt SQL costs about a third of a microsecond. An entry's column
// is NULL when it is the header's. An outcome settled with the rest of its group (`alone`
// 0) is committed with the group; one settled on its own is 1 until its commit is recorded,
// then 2. Each group records its range, its counts and its commit, and the header of an ended
// run the number of groups: together they prove that no record was lost.
constexpr auto Schema = R"(
CREATE TABLE header (
  kind TEXT NOT NULL, undo_of INTEGER NOT NULL, sid TEXT, "user" TEXT, "table" TEXT,
  "column" TEXT, mode TEXT, table_key TEXT, key_column TEXT, key_type TEXT, started TEXT,
  ended TEXT, "read" INTEGER, written INTEGER, unchanged INTEGER, refused INTEGER,
  "left" INTEGER, stopped INTEGER NOT NULL, "groups" INTEGER NOT NULL,
  checksum INTEGER NOT NULL);
CREATE TABLE entries (
  "row" INTEGER PRIMARY KEY, "column" TEXT, id_before TEXT NOT NULL, id_after TEXT,
  old_value TEXT, new_value TEXT, sealed INTEGER NOT NULL, "group" INTEGER NOT NULL);
CREATE TABLE outcomes ("row" INTEGER PRIMARY KEY, sealed INTEGER NOT NULL, id_after TEXT,
  stored TEXT, alone INTEGER NOT NULL, mark TEXT);
CREATE TABLE "groups" ("group" INTEGER PRIMARY KEY, first INTEGER NOT NULL,
  last INTEGER NOT NULL, entries INTEGER NOT NULL, outcomes INTEGER NOT NULL,
  committed INTEGER NOT NULL, mark TEXT, checksum INTEGER NOT NULL);
PRAGMA user_version = 3)";

// The entry's columns, its outcome's, then its group and how its outcome was committed
// (constants in format 2).
QString EntryColumns(int version) {
    return QStringLiteral(R"(e."row", e."column", e.id_before, e.id_after, e.old_value,
  e.new_value, e.sealed, o.sealed, o.id_after, o.stored, %1
  FROM entries e LEFT JOIN outcomes o ON o."row" = e."row")")
        .arg(version >= 3 ? QLatin1String("e.\"group\", o.alone, o.mark")
                          : QLatin1String("0, 0, NULL"));
}

// Format 2's header fields, then those format 3 added.
constexpr auto HeaderColumns = R"(kind, undo_of, sid, "user", "table", "column", mode,
  table_key, key_column, key_type, started, ended, "read", written, unchanged, refused,
  "left", stopped, "groups")";
constexpr int HeaderFields = 19;
int HeaderFieldsOf(int version) {
    return version >= 3 ? HeaderFields : HeaderFields - 2;
}
QString HeaderColumnsOf(int version) {
    QString columns = QString::fromLatin1(HeaderColumns);
    if (version < 3)
        columns.truncate(columns.lastIndexOf(QLatin1String(", stopped")));
    return columns;
}
// The header's fields that are numbers, by position in HeaderColumns.
constexpr bool HeaderNumber[HeaderFields] = {false, true,  false, false, false, false, false,
                                             false, false, false, false, false, true,  true,
                                             true,  true,  true,  true,  true};

// Times are kept in UTC with milliseconds; read back as local time.
QString TimeText(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime TimeOf(const QVariant& text) {
    return QDateTime::fromString(text.toString(), Qt::ISODateWithMs).toLocalTime();
}

// The empty text for a null one: NOT NULL text columns, and what a checksum covers.
QString Text(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// The null text, and the empty one that is not null.
const QString& NullText() {
    static const QString null;
    return null;
}
const QString& EmptyText() {
    static const QString empty(QLatin1String(""));
    return empty;
}

// The text itself (not a copy, so that it outlives a statement's run), or null when empty.
const QString& NullIfEmpty(const QString& text) {
    return text.isEmpty() ? NullText() : text;
}

// As Text, without a copy: the text itself, or the empty text when it is null.
const QString& TextOf(const QString& text) {
    return text.isNull() ? EmptyText() : text;
}

// An entry's old value as stored: null for NULL, else its text (never null); the variant's
// own text where it holds one (a run's values do), else converted into `holder`.
const QString& OldValueOf(const QVariant& value, QString& holder) {
    if (value.isNull())
        return NullText();
    if (value.metaType().id() == QMetaType::QString)
        return TextOf(*static_cast<const QString*>(value.constData()));
    holder = Text(value.toString());
    return holder;
}

// Rows one execution of a many-row INSERT stores. Each execution costs about what storing a
// row does, so a group's rows go this many at a time, the rest of it one by one.
constexpr int BatchRows = 32;

// `insert` (a statement up to VALUES) for `rows` rows of `columns` parameters each.
std::string ManyRows(const char* insert, int columns, int rows) {
    std::string row = "(?";
    for (int column = 1; column < columns; ++column)
        row += ", ?";
    row += ')';
    std::string sql = std::string(insert) + " VALUES " + row;
    for (int i = 1; i < rows; ++i)
        sql += ", " + row;
    return sql;
}

// The header's stored values, in HeaderColumns' order.
QVariantList HeaderValues(const RunHeader& header, qint64 groups) {
    return {Text(header.kind),
            header.undoOf,
            Text(header.sid),
            Text(header.user),
            Text(header.table),
            Text(header.column),
            Text(header.mode),
            Text(header.tableKey),
            Text(header.keyColumn),
            Text(header.keyType),
            TimeText(header.started),
            Text(TimeText(header.ended)),
            header.rows.read,
            header.rows.written,
            header.rows.unchanged,
            header.rows.refused,
            header.rows.left,
            qint64(header.stopped),
            groups};
}

qint64 HeaderChecksum(const QVariantList& values) {
    Checksum checksum;
    for (int i = 0; i < values.size(); ++i) {
        if (HeaderNumber[i])
            checksum.Add(values[i].toLongLong());
        else
            checksum.Add(values[i].toString());
    }
    return checksum.Value();
}

qint64 Sealed(Checksum& checksum, int state) {
    return qint64(checksum.Value()) * 4 + state;
}

qint64 SealedEntry(qint64 row, const QString& column, const QString& idBefore,
                   const QString& idAfter, const QString& oldValue, const QString& newValue,
                   int state) {
    return Sealed(Checksum()
                      .Add(row)
                      .Add(column)
                      .Add(idBefore)
                      .Add(idAfter)
                      .AddNullable(oldValue)
                      .Add(newValue)
                      .Add(state),
                  state);
}

// How an outcome is committed (its `alone`).
enum Alone { WithGroup = 0, AloneUncommitted = 1, AloneCommitted = 2 };

// `stored`: the value the database stored where it differs from the one sent; null otherwise.
// An outcome settled with its group and without a mark is sealed as in format 2.
qint64 SealedOutcome(qint64 row, int state, const QString& idAfter, const QString& stored,
                     int alone = WithGroup, const QString& mark = {}) {
    Checksum checksum;
    checksum.Add(row).Add(state).Add(idAfter).AddNullable(stored);
    if (alone != WithGroup || !mark.isNull())
        checksum.Add(alone).AddNullable(mark);
    return Sealed(checksum, state);
}

// The state a sealed value holds; -1 when it is none.
int StateOf(qint64 sealed) {
    const int state = int(sealed & 3);
    return state <= int(EntryState::NotWritten) ? state : -1;
}

// What a journal's file holds before its entries.
struct Stored {
    int version = FormatVersion;
    RunHeader header;
    qint64 groups = 0; // the header's count of groups, for a run that ended
};

Stored ReadHeader(SqliteConnection& connection) {
    Stored stored;
    QSqlQuery version = connection.Prepare(QStringLiteral("PRAGMA user_version"));
    SqliteConnection::Exec(version, "reading the format");
    stored.version = version.next() ? version.value(0).toInt() : 0;
    if (stored.version < OldestFormat || stored.version > FormatVersion)
        throw Error(QStringLiteral("it is not in this version's format (with checksums)"));
    const int fields = HeaderFieldsOf(stored.version);
    QSqlQuery query = connection.Prepare(
        QStringLiteral("SELECT %1, checksum FROM header").arg(HeaderColumnsOf(stored.version)));
    SqliteConnection::Exec(query, "reading the header");
    if (!query.next())
        throw Error(QStringLiteral("its header is missing"));
    QVariantList values;
    for (int i = 0; i < fields; ++i)
        values.append(query.value(i));
    if (HeaderChecksum(values) != query.value(fields).toLongLong() || query.next())
        throw Error(QStringLiteral("its header does not match its checksum"));
    RunHeader& header = stored.header;
    header.kind = values[0].toString();
    header.undoOf = values[1].toLongLong();
    header.sid = values[2].toString();
    header.user = values[3].toString();
    header.table = values[4].toString();
    header.column = values[5].toString();
    header.mode = values[6].toString();
    header.tableKey = values[7].toString();
    header.keyColumn = values[8].toString();
    header.keyType = values[9].toString();
    header.started = TimeOf(values[10]);
    header.ended = TimeOf(values[11]);
    header.rows.read = values[12].toLongLong();
    header.rows.written = values[13].toLongLong();
    header.rows.unchanged = values[14].toLongLong();
    header.rows.refused = values[15].toLongLong();
    header.rows.left = values[16].toLongLong();
    if (stored.version >= 3) {
        header.stopped = values[17].toLongLong() != 0;
        stored.groups = values[18].toLongLong();
    }
    return stored;
}

// Reads the entries in row order, `sliceSize` at a time, checking each one's checksum and
// its outcome's, and that the groups hold what they recorded; counts them into `counts` and
// hands each slice to `slice` when given.
void ReadEntries(SqliteConnection& connection, const Stored& file, int sliceSize,
                 const std::function<void(const std::vector<Entry>&)>& slice, EntryCounts& counts) {
    sliceSize = qMax(sliceSize, 1);
    const std::vector<proof::Group> groups =
        file.version >= 3 ? proof::ReadGroups(connection) : std::vector<proof::Group>();
    proof::Tally tally(groups);
    QSqlQuery query = connection.Prepare(
        QStringLiteral("SELECT %1 WHERE e.\"row\" > ? ORDER BY e.\"row\" LIMIT ?")
            .arg(EntryColumns(file.version)));
    qint64 after = std::numeric_limits<qint64>::min();
    std::vector<Entry> entries;
    entries.reserve(sliceSize);
    for (;;) {
        entries.clear();
        query.bindValue(0, after);
        query.bindValue(1, sliceSize);
        SqliteConnection::Exec(query, "reading the entries");
        while (query.next()) {
            const qint64 row = query.value(0).toLongLong();
            const QString column = Text(query.value(1).toString());
            const QString idBefore = Text(query.value(2).toString());
            const QString idAfter = Text(query.value(3).toString());
            const QString oldValue = query.isNull(4) ? QString() : Text(query.value(4).toString());
            const QString newValue = query.value(5).toString();
            const qint64 sealed = query.value(6).toLongLong();
            const int state = StateOf(sealed);
            if (state < 0 ||
                SealedEntry(row, column, idBefore, idAfter, oldValue, newValue, state) != sealed)
                throw Error(
                    QStringLiteral("the entry of row %1 does not match its checksum").arg(row));
            Entry entry(row, idBefore, idAfter, oldValue.isNull() ? QVariant() : QVariant(oldValue),
                        newValue, EntryState(state),
                        column.isEmpty() ? file.header.column : column);
            entry.group = query.value(10).toLongLong();
            if (file.version >= 3)
                tally.Add(entry.group, row, !query.isNull(7));
            if (!query.isNull(7)) {
                const qint64 outcomeSealed = query.value(7).toLongLong();
                const int outcome = StateOf(outcomeSealed);
                const QString outcomeId = query.value(8).toString();
                const QString stored =
                    query.isNull(9) ? QString() : Text(query.value(9).toString());
                const int alone = query.value(11).toInt();
                const QString mark = query.isNull(12) ? QString() : query.value(12).toString();
                if (outcome < 0 ||
                    SealedOutcome(row, outcome, outcomeId, stored, alone, mark) != outcomeSealed)
                    throw Error(QStringLiteral("the outcome of row %1 does not match its "
                                               "checksum")
                                    .arg(row));
                entry.state = EntryState(outcome);
                if (!outcomeId.isEmpty())
                    entry.idAfter = outcomeId;
                if (!stored.isNull()) {
                    entry.newValue = stored;
                    entry.altered = true;
                }
                if (alone == AloneCommitted) {
                    entry.committed = true;
                    entry.commitMark = mark;
                } else if (alone == WithGroup && entry.group > 0) {
                    entry.committed = groups[entry.group - 1].committed;
                    entry.commitMark = groups[entry.group - 1].mark;
                }
            }
            ++counts.entries;
            counts.written += entry.state == EntryState::Written;
            counts.notWritten += entry.state == EntryState::NotWritten;
            counts.pending += entry.state == EntryState::Pending;
            counts.uncommitted += entry.state == EntryState::Written && !entry.committed;
            entries.push_back(std::move(entry));
        }
        query.finish();
        if (!entries.empty()) {
            after = entries.back().row;
            if (slice)
                slice(entries);
        }
        if (static_cast<int>(entries.size()) < sliceSize)
            break;
    }
    if (file.version >= 3)
        tally.Check(file.header.ended.isValid(), file.groups);
}

std::atomic<bool> SyncBeforeCommit = true;

// Whether a run wrote rows: its header's count when it ended, else its entries'.
bool Wrote(const RunInfo& run) {
    if (run.state == RunState::Damaged)
        return false;
    return (run.state == RunState::Ended ? run.header.rows.written : run.counts.written) > 0;
}

// The folder is this user's own and readable: a folder another user owns (a home shared
// between users, a root shell with another user's HOME) is never listed as empty nor
// written to. Nothing to check while there is no such folder.
void CheckOwnFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return;
    if (info.st_uid != ::geteuid())
        throw Error(QStringLiteral("The journal folder %1 belongs to another user; set "
                                   "XDG_DATA_HOME to a folder of your own")
                        .arg(folder));
    if (::access(path.constData(), R_OK | X_OK) != 0)
        throw Error(QStringLiteral("Cannot read the run journals in %1: %2")
                        .arg(folder, qt_error_string(errno)));
}

QString NoJournal(qint64 id) {
    return QStringLiteral("No run journal %1 in %2").arg(id).arg(RunJournal::Folder());
}

QString Damaged(const QString& path, const QString& reason) {
    return QStringLiteral("The run journal %1 is damaged: %2").arg(path, reason);
}

QString Running(qint64 id) {
    return QStringLiteral("Run %1 is still going; its journal is in use until it ends").arg(id);
}

// The lock of an existing journal, shared or exclusive; throws when there is no such journal
// or its run still holds it.
RunLock LockExisting(const QString& folder, qint64 id, bool exclusive) {
    if (id < 1 || !QFileInfo(files::PathOf(folder, id)).isFile())
        throw Error(NoJournal(id));
    RunLock lock = RunLock::Try(files::LockPath(folder, id), exclusive);
    if (!lock.Held())
        throw Error(Running(id));
    return lock;
}

} // namespace

struct RunJournal::State {
    qint64 id = 0;
    QString path;
    Stored file; // its header, format and count of groups
    EntryCounts counts;
    std::vector<proof::Group> groups; // those appended (Create only)
    int log = -1;                     // the write-ahead log, open to be synced (Create only)
    // Declared first so that it goes last: the lock outlives every use of the file.
    RunLock lock;
    SqliteConnection connection;
    // Prepared on first use; declared after the connection so they go before it.
    std::unique_ptr<RowStatement> insert, insertMany, settle, settleMany, resettle, readOutcome,
        commitAlone, groupRecord, groupOf;

    State(qint64 id, const QString& path, RunLock lock, SqliteConnection::Open open)
        : id(id), path(path), lock(std::move(lock)), connection(path, open) {
        // A crash or kill of the program loses nothing committed (it is in the operating
        // system's cache); so that a crash of the system itself cannot lose the outcomes of
        // rows whose COMMIT may have been sent, the log is synced before (SyncToDisk).
        // Checkpoints sync on their own.
        connection.Exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    ~State() {
        if (log >= 0)
            ::close(log);
    }

    RowStatement& Prepared(std::unique_ptr<RowStatement>& statement, const char* sql) {
        if (!statement)
            statement = std::make_unique<RowStatement>(connection, sql);
        return *statement;
    }
    // An INSERT of `rows` rows at once (see ManyRows), prepared on its first use.
    RowStatement& Prepared(std::unique_ptr<RowStatement>& statement, const char* insert,
                           int columns, int rows) {
        if (!statement)
            statement =
                std::make_unique<RowStatement>(connection, ManyRows(insert, columns, rows).c_str());
        return *statement;
    }

    // Writes group `number`'s record as it stands.
    void WriteGroup(qint64 number) {
        RowStatement& record = Prepared(
            groupRecord, "INSERT OR REPLACE INTO \"groups\" (\"group\", first, last, entries, "
                         "outcomes, committed, mark, checksum) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        const proof::Group& group = groups[std::size_t(number - 1)];
        record.Bind(1, number);
        record.Bind(2, group.first);
        record.Bind(3, group.last);
        record.Bind(4, group.entries);
        record.Bind(5, group.outcomes);
        record.Bind(6, qint64(group.committed));
        record.Bind(7, group.mark);
        record.Bind(8, proof::GroupChecksum(number, group));
        record.Run("recording a group");
    }

    // The group of each entry: its own number, or the one its row was appended in (0: none).
    std::vector<qint64> GroupsOf(const std::vector<Entry>& entries) {
        std::vector<qint64> numbers;
        numbers.reserve(entries.size());
        for (const Entry& entry : entries) {
            if (entry.group > 0 && entry.group <= qint64(groups.size())) {
                numbers.push_back(entry.group);
                continue;
            }
            RowStatement& find =
                Prepared(groupOf, "SELECT \"group\" FROM entries WHERE \"row\" = ?");
            find.Bind(1, entry.row);
            numbers.push_back(find.Number("finding a row's group", 0));
        }
        return numbers;
    }

    // The entries are every one of one group's.
    bool WholeGroup(const std::vector<Entry>& entries, const std::vector<qint64>& numbers) const {
        if (numbers.empty() || numbers.front() < 1 ||
            groups[std::size_t(numbers.front() - 1)].entries != qint64(entries.size()))
            return false;
        return std::all_of(numbers.begin(), numbers.end(),
                           [&](qint64 number) { return number == numbers.front(); });
    }
};

RunJournal::RunJournal(std::unique_ptr<State> state) : state_(std::move(state)) {}
RunJournal::~RunJournal() {
    State& state = *state_;
    // A journal its run ended is complete as written: the verdict is stored for the file as
    // it is once closed, so that listing a full folder need not read it again. Any later
    // change to the file makes the verdict stale; undo proves the journal itself regardless.
    const bool ended = state.log >= 0 && state.file.header.ended.isValid();
    if (!ended)
        return;
    const QString folder = QFileInfo(state.path).absolutePath();
    const qint64 id = state.id;
    EntryCounts counts;
    qint64 outcomes = 0;
    for (const proof::Group& group : state.groups) {
        counts.entries += group.entries;
        outcomes += group.outcomes;
    }
    counts.pending = counts.entries - outcomes;
    counts.written = state.file.header.rows.written;
    counts.notWritten = qMax<qint64>(0, outcomes - counts.written);
    // Held until the verdict is stored: no other run writes the file meanwhile.
    const RunLock lock = std::move(state.lock);
    state_.reset();
    ProofCache proofs(folder);
    proofs.Store(id, proofs.KeyOf(id), {{}, counts});
}

void SetSyncBeforeCommit(bool sync) {
    SyncBeforeCommit = sync;
}

QString RunJournal::Folder() {
    // A plain path, built as QStandardPaths would, but never the root folder's: journals of
    // production data must not land in /.local or /Vantrel for want of a home folder.
    const auto folderOf = [](const char* variable) {
        const QString path = qEnvironmentVariable(variable);
        return QDir::isAbsolutePath(path) ? QDir::cleanPath(path) : QString();
    };
    QString folder = folderOf("XDG_DATA_HOME");
    if (folder == QLatin1String("/"))
        throw Error(QStringLiteral("No folder for the run journals: XDG_DATA_HOME is /; set "
                                   "XDG_DATA_HOME to a folder of your own"));
    if (folder.isEmpty()) {
        const QString home = folderOf("HOME");
        if (home.isEmpty() || home == QLatin1String("/"))
            throw Error(QStringLiteral("No folder for the run journals: there is no home "
                                       "folder (HOME is unset or /); set XDG_DATA_HOME to a "
                                       "folder of your own"));
        folder = home + QLatin1String("/.local/share");
    }
    for (const QString& name :
         {QCoreApplication::organizationName(), QCoreApplication::applicationName()}) {
        if (!name.isEmpty())
            folder += QLatin1Char('/') + name;
    }
    return folder + QLatin1String("/journals");
}

void RunJournal::PrepareFolder() {
    const QString folder = Folder();
    CheckOwnFolder(folder);
    files::MakeFolder(folder);
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        throw Error(QStringLiteral("Cannot write run journals in %1: %2")
                        .arg(folder, qt_error_string(errno)));
}

std::unique_ptr<RunJournal> RunJournal::Create(RunHeader header) {
    const QString folder = Folder();
    CheckOwnFolder(folder);
    files::MakeFolder(folder);
    // Numbers are taken before pruning: a run's number is never that of a journal just
    // pruned.
    const QList<qint64> ids = files::Ids(folder);
    Prune(folder, CurrentRetention());

    // The lock file reserves the number: the journal exists only once its lock is held.
    qint64 id = ids.isEmpty() ? 0 : ids.last();
    RunLock lock;
    for (;;) {
        lock = RunLock::Reserve(files::LockPath(folder, ++id));
        if (!lock.Held())
            continue;
        if (files::CreateFile(files::PathOf(folder, id)))
            break;
        lock.RemoveFile();
    }
    const QString path = files::PathOf(folder, id);
    header.started = QDateTime::currentDateTime();
    header.ended = QDateTime();
    try {
        auto state = std::make_unique<State>(id, path, std::move(lock),
                                             SqliteConnection::Open::ExistingOnly);
        SqliteConnection& connection = state->connection;
        connection.Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        Transaction transaction(connection);
        for (const QString& statement : QString::fromLatin1(Schema).split(QLatin1Char(';')))
            connection.Exec(statement);
        QSqlQuery insert = connection.Prepare(
            QStringLiteral("INSERT INTO header (%1, checksum) VALUES (%2?)")
                .arg(QLatin1String(HeaderColumns), QStringLiteral("?, ").repeated(HeaderFields)));
        header.stopped = false;
        const QVariantList values = HeaderValues(header, 0);
        for (int i = 0; i < HeaderFields; ++i)
            insert.bindValue(i, values[i]);
        insert.bindValue(HeaderFields, HeaderChecksum(values));
        SqliteConnection::Exec(insert, "writing the header");
        transaction.Commit();
        state->log = ::open(QFile::encodeName(path + QLatin1String("-wal")).constData(),
                            O_RDONLY | O_CLOEXEC);
        if (state->log < 0)
            throw Error(QStringLiteral("its log cannot be opened to be synced: %1")
                            .arg(qt_error_string(errno)));
        state->file.header = header;
        return std::unique_ptr<RunJournal>(new RunJournal(std::move(state)));
    } catch (const Error& error) {
        files::Remove(path);
        RunLock::Try(files::LockPath(folder, id), true).RemoveFile();
        throw Error(QStringLiteral("Cannot create the run journal %1: %2")
                        .arg(path, QString::fromUtf8(error.what())));
    }
}

std::unique_ptr<RunJournal> RunJournal::Open(qint64 id) {
    const QString folder = Folder();
    if (id == 0) {
        id = NewestToUndo(List(ListDepth::Headers));
        if (id == 0)
            throw Error(QStringLiteral("Nothing to undo in %1: every run there was undone, is "
                                       "an undo, is still going or wrote nothing")
                            .arg(folder));
    }
    const QString path = files::PathOf(folder, id);
    RunLock lock = LockExisting(folder, id, false);
    try {
        auto state = std::make_unique<State>(id, path, std::move(lock),
                                             SqliteConnection::Open::ExistingOnly);
        proof::CheckStructure(state->connection);
        state->file = ReadHeader(state->connection);
        ReadEntries(state->connection, state->file, 1000, {}, state->counts);
        return std::unique_ptr<RunJournal>(new RunJournal(std::move(state)));
    } catch (const Error& error) {
        if (!QFileInfo(path).isFile())
            throw Error(NoJournal(id));
        throw Error(Damaged(path, QString::fromUtf8(error.what())));
    }
}

QList<RunInfo> RunJournal::List(ListDepth depth) {
    const QString folder = Folder();
    CheckOwnFolder(folder);
    const QList<qint64> ids = files::Ids(folder);
    // A read-only folder's journals are read as they are (SQLite could not add its files).
    const auto open = ::access(QFile::encodeName(folder).constData(), W_OK) == 0
                          ? SqliteConnection::Open::ExistingOnly
                          : SqliteConnection::Open::ReadOnly;
    QList<RunInfo> runs;
    // Newest first: whatever undoes a run comes after it, so it is known by then.
    QHash<qint64, qint64> undoneBy, partlyUndoneBy;
    ProofCache proofs(folder);
    for (auto id = ids.crbegin(); id != ids.crend(); ++id) {
        RunInfo info;
        info.id = *id;
        info.fileName = files::NameOf(*id);
        const files::Stat stat = files::StatOf(folder, *id);
        info.lastWrite = stat.lastWrite;
        info.bytes = stat.bytes;
        const RunLock lock = RunLock::Try(files::LockPath(folder, *id), false);
        info.header.kind.clear();
        // A journal no run holds is proved whole once for each state of its file.
        const ProofCache::Key key = proofs.KeyOf(*id);
        const std::optional<ProofCache::Verdict> proved =
            lock.Held() ? proofs.Find(*id, key) : std::nullopt;
        try {
            SqliteConnection connection(files::PathOf(folder, *id), open);
            const Stored file = ReadHeader(connection);
            info.header = file.header;
            info.state = info.header.ended.isValid() ? RunState::Ended
                         : lock.Held()               ? RunState::DidNotEnd
                                                     : RunState::Running;
            if (proved && !proved->damage.isEmpty())
                throw Error(proved->damage);
            if (proved) {
                info.counts = proved->counts;
            } else if (lock.Held() && depth == ListDepth::Everything) {
                try {
                    proof::CheckStructure(connection);
                    ReadEntries(connection, file, 1000, {}, info.counts);
                } catch (const Error& error) {
                    proofs.Store(*id, key, {QString::fromUtf8(error.what()), {}});
                    throw;
                }
                proofs.Store(*id, key, {{}, info.counts});
            } else if (depth == ListDepth::Everything || info.state != RunState::Ended) {
                ReadEntries(connection, file, 1000, {}, info.counts);
            }
        } catch (const Error& error) {
            if (!QFileInfo::exists(files::PathOf(folder, *id)))
                continue; // removed meanwhile
            info.state = RunState::Damaged;
            info.damage = QString::fromUtf8(error.what());
        }
        // An undo that wrote rows, and was not undone in turn, undid its run: the whole of it
        // when it ended of itself, a part when it was stopped or did not end.
        info.undoneBy = undoneBy.value(info.id);
        if (info.undoneBy == 0 && info.header.kind == QLatin1String("undo") && Wrote(info) &&
            !undoneBy.contains(info.header.undoOf)) {
            const bool partly = info.state == RunState::DidNotEnd ||
                                (info.state == RunState::Ended && info.header.stopped);
            if (!partly)
                undoneBy.insert(info.header.undoOf, info.id);
            else if (!partlyUndoneBy.contains(info.header.undoOf))
                partlyUndoneBy.insert(info.header.undoOf, info.id);
        }
        if (info.undoneBy == 0)
            info.partlyUndoneBy = partlyUndoneBy.value(info.id);
        runs.append(info);
    }
    return runs;
}

qint64 RunJournal::NewestToUndo(const QList<RunInfo>& runs) {
    for (const RunInfo& run : runs) {
        if (run.state == RunState::Damaged)
            return run.id;
        if (run.header.kind != QLatin1String("undo") && run.undoneBy == 0 &&
            run.state != RunState::Running && Wrote(run))
            return run.id;
    }
    return 0;
}

void RunJournal::Forget(qint64 id) {
    const QString folder = Folder();
    RunLock lock = LockExisting(folder, id, true);
    files::Remove(files::PathOf(folder, id));
    lock.RemoveFile();
}

qint64 RunJournal::Id() const {
    return state_->id;
}
QString RunJournal::FileName() const {
    return QFileInfo(state_->path).fileName();
}
QString RunJournal::Path() const {
    return state_->path;
}
const RunHeader& RunJournal::Header() const {
    return state_->file.header;
}
const EntryCounts& RunJournal::Counts() const {
    return state_->counts;
}

QStringList RunJournal::Columns() const {
    QSqlQuery query = state_->connection.Prepare(
        QStringLiteral("SELECT DISTINCT coalesce(\"column\", '') FROM entries"));
    SqliteConnection::Exec(query, "reading the columns");
    QStringList columns;
    while (query.next()) {
        const QString column = query.value(0).toString();
        columns.append(column.isEmpty() ? state_->file.header.column : column);
    }
    if (columns.isEmpty())
        columns.append(state_->file.header.column);
    columns.removeDuplicates();
    return columns;
}

qint64 RunJournal::AppendPending(const std::vector<Entry>& entries) {
    State& state = *state_;
    if (entries.empty())
        return 0;
    constexpr auto Insert = "INSERT INTO entries (\"row\", \"column\", id_before, id_after, "
                            "old_value, new_value, sealed, \"group\")";
    constexpr int Columns = 8;
    RowStatement& one = state.Prepared(state.insert, Insert, Columns, 1);
    RowStatement& many = state.Prepared(state.insertMany, Insert, Columns, BatchRows);
    const QString& headerColumn = state.file.header.column;
    const qint64 number = qint64(state.groups.size()) + 1;
    proof::Group group{
        entries.front().row, entries.front().row, qint64(entries.size()), 0, false, {}};
    // Old values that are no text of their own, held until their statement has run.
    QString held[BatchRows];
    Transaction transaction(state.connection);
    for (std::size_t i = 0; i < entries.size();) {
        const int rows = entries.size() - i >= std::size_t(BatchRows) ? BatchRows : 1;
        RowStatement& insert = rows == BatchRows ? many : one;
        for (int k = 0; k < rows; ++k, ++i) {
            const Entry& entry = entries[i];
            // The column is stored only where it is not the header's.
            const QString& column =
                entry.column.isEmpty() || entry.column == headerColumn ? NullText() : entry.column;
            // SQL NULL for a NULL old value, '' for the empty text.
            const QString& oldValue = OldValueOf(entry.oldValue, held[k]);
            const int at = k * Columns;
            insert.Bind(at + 1, entry.row);
            insert.Bind(at + 2, column);
            insert.Bind(at + 3, TextOf(entry.idBefore));
            insert.Bind(at + 4, NullIfEmpty(entry.idAfter));
            insert.Bind(at + 5, oldValue);
            insert.Bind(at + 6, TextOf(entry.newValue));
            insert.Bind(at + 7,
                        SealedEntry(entry.row, column, entry.idBefore, entry.idAfter, oldValue,
                                    entry.newValue, static_cast<int>(entry.state)));
            insert.Bind(at + 8, number);
            group.first = std::min(group.first, entry.row);
            group.last = std::max(group.last, entry.row);
        }
        insert.Run("journalling rows");
    }
    state.groups.push_back(group);
    try {
        state.WriteGroup(number);
        transaction.Commit();
    } catch (const Error&) {
        state.groups.pop_back();
        throw;
    }
    return number;
}

void RunJournal::Settle(const std::vector<Entry>& outcomes, bool sync) {
    State& state = *state_;
    // An outcome is added, or replaces one settled before (then its group's count stands).
    constexpr auto Insert =
        "INSERT OR IGNORE INTO outcomes (\"row\", sealed, id_after, stored, alone)";
    constexpr int Columns = 5;
    RowStatement& settle = state.Prepared(state.settle, Insert, Columns, 1);
    RowStatement& settleMany = state.Prepared(state.settleMany, Insert, Columns, BatchRows);
    RowStatement& resettle = state.Prepared(
        state.resettle, "UPDATE outcomes SET sealed = ?2, id_after = ?3, stored = ?4, alone = ?5, "
                        "mark = NULL WHERE \"row\" = ?1");
    const std::vector<qint64> numbers = state.GroupsOf(outcomes);
    const int alone = state.WholeGroup(outcomes, numbers) ? WithGroup : AloneUncommitted;
    const auto bind = [&](RowStatement& statement, const Entry& entry, int at) {
        const QString& stored = entry.altered ? TextOf(entry.newValue) : NullText();
        statement.Bind(at + 1, entry.row);
        statement.Bind(at + 2, SealedOutcome(entry.row, static_cast<int>(entry.state),
                                             entry.idAfter, stored, alone));
        statement.Bind(at + 3, NullIfEmpty(entry.idAfter));
        statement.Bind(at + 4, stored);
        statement.Bind(at + 5, qint64(alone));
    };
    // Rows go BatchRows at a time where none can have been settled before: rows of one group
    // that has no outcome yet, none of them twice (the rows ascend). The rest go one by one.
    const bool ascending =
        std::adjacent_find(outcomes.begin(), outcomes.end(), [](const Entry& a, const Entry& b) {
            return a.row >= b.row;
        }) == outcomes.end();
    const auto batch = [&](std::size_t i) {
        const qint64 number = numbers[i];
        return ascending && outcomes.size() - i >= std::size_t(BatchRows) && number >= 1 &&
               number <= qint64(state.groups.size()) &&
               state.groups[std::size_t(number - 1)].outcomes == 0 &&
               std::all_of(numbers.begin() + qsizetype(i),
                           numbers.begin() + qsizetype(i) + BatchRows,
                           [&](qint64 other) { return other == number; });
    };
    std::map<qint64, qint64> added;
    std::vector<std::pair<qint64, qint64>> counted; // what the groups were given, to take back
    Transaction transaction(state.connection);
    try {
        for (std::size_t i = 0; i < outcomes.size();) {
            if (batch(i)) {
                for (int k = 0; k < BatchRows; ++k)
                    bind(settleMany, outcomes[i + k], k * Columns);
                settleMany.Run("settling rows");
                const qint64 changes = settleMany.Changes();
                added[numbers[i]] += changes;
                // Not expected: a row settled under another group's number. Each row then
                // holds its new outcome as it would one by one.
                for (int k = 0; changes < BatchRows && k < BatchRows; ++k) {
                    bind(resettle, outcomes[i + k], 0);
                    resettle.Run("settling rows");
                }
                i += BatchRows;
                continue;
            }
            const Entry& entry = outcomes[i];
            bind(settle, entry, 0);
            settle.Run("settling rows");
            if (settle.Changes() > 0) {
                ++added[numbers[i++]];
                continue;
            }
            bind(resettle, entry, 0);
            resettle.Run("settling rows");
            ++i;
        }
        for (const auto& [number, count] : added) {
            if (number < 1 || number > qint64(state.groups.size()))
                continue; // a row never appended: no group counts it
            state.groups[std::size_t(number - 1)].outcomes += count;
            counted.emplace_back(number, count);
            state.WriteGroup(number);
        }
        transaction.Commit();
    } catch (const Error&) {
        for (const auto& [number, count] : counted)
            state.groups[std::size_t(number - 1)].outcomes -= count;
        throw;
    }
    if (sync)
        SyncToDisk();
}

void RunJournal::SyncToDisk() const {
    // The log is synced whole: every record committed before is on disk with it. Any
    // descriptor of the file flushes it, so this one is the journal's own and may be used
    // from another thread while the journal goes on.
    if (state_->log < 0 || !SyncBeforeCommit.load())
        return;
    if (::fdatasync(state_->log) != 0)
        throw Error(QStringLiteral("syncing the journal: %1").arg(qt_error_string(errno)));
}

void RunJournal::Committed(const std::vector<Entry>& outcomes, const QString& mark) {
    State& state = *state_;
    const QString& markOrNull = NullIfEmpty(mark);
    const std::vector<qint64> numbers = state.GroupsOf(outcomes);
    Transaction transaction(state.connection);
    if (state.WholeGroup(outcomes, numbers)) {
        proof::Group& group = state.groups[std::size_t(numbers.front() - 1)];
        const proof::Group before = group;
        group.committed = true;
        group.mark = markOrNull;
        try {
            state.WriteGroup(numbers.front());
            transaction.Commit();
        } catch (const Error&) {
            group = before;
            throw;
        }
        return;
    }
    // Each outcome is sealed anew as it was settled, with its commit.
    RowStatement& read = state.Prepared(
        state.readOutcome, "SELECT sealed, id_after, stored FROM outcomes WHERE \"row\" = ?");
    RowStatement& commit = state.Prepared(
        state.commitAlone, "UPDATE outcomes SET sealed = ?, alone = ?, mark = ? WHERE \"row\" = ?");
    for (const Entry& entry : outcomes) {
        read.Bind(1, entry.row);
        if (!read.First("reading an outcome"))
            continue; // nothing settled: nothing to commit
        const int outcome = StateOf(read.NumberAt(0));
        const QString idAfter = Text(read.TextAt(1));
        const QString stored = read.TextAt(2);
        read.Reset();
        commit.Bind(1,
                    SealedOutcome(entry.row, outcome, idAfter, stored, AloneCommitted, markOrNull));
        commit.Bind(2, qint64(AloneCommitted));
        commit.Bind(3, markOrNull);
        commit.Bind(4, entry.row);
        commit.Run("recording a commit");
    }
    transaction.Commit();
}

void RunJournal::Finish(const RowCounts& rows, bool stopped) {
    RunHeader header = state_->file.header;
    header.ended = QDateTime::currentDateTime();
    header.rows = rows;
    header.stopped = stopped;
    const qint64 groups = qint64(state_->groups.size());
    QSqlQuery update = state_->connection.Prepare(
        QStringLiteral("UPDATE header SET ended = ?, \"read\" = ?, written = ?, unchanged = ?, "
                       "refused = ?, \"left\" = ?, stopped = ?, \"groups\" = ?, checksum = ?"));
    const QVariantList values = HeaderValues(header, groups);
    const QVariantList changed = {values[11],     rows.read,    rows.written,
                                  rows.unchanged, rows.refused, rows.left,
                                  values[17],     groups,       HeaderChecksum(values)};
    for (int i = 0; i < changed.size(); ++i)
        update.bindValue(i, changed[i]);
    SqliteConnection::Exec(update, "finishing the header");
    state_->file.header = header;
    state_->file.groups = groups;
}

void RunJournal::ForEach(const std::function<void(const std::vector<Entry>&)>& slice,
                         int sliceSize) const {
    EntryCounts counts;
    ReadEntries(state_->connection, state_->file, sliceSize, slice, counts);
}

} // namespace journal
