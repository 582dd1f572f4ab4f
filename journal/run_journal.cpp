#include "journal/run_journal.h"

#include "journal/journal_files.h"
#include "journal/sqlite_connection.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStandardPaths>
#include <limits>
#include <map>

namespace journal {

namespace {

// A row's outcome goes to `outcomes` rather than into its entry: an append costs a third of
// an update in place, and Settle runs once per group. An entry without an outcome is as it
// was appended.
constexpr auto Schema = R"(
CREATE TABLE header (
  kind TEXT NOT NULL, undo_of INTEGER NOT NULL, sid TEXT, "user" TEXT, "table" TEXT,
  "column" TEXT, mode TEXT, table_key TEXT, started TEXT, ended TEXT,
  "read" INTEGER, written INTEGER, unchanged INTEGER, refused INTEGER, "left" INTEGER);
CREATE TABLE entries (
  "row" INTEGER PRIMARY KEY, id_before TEXT NOT NULL, id_after TEXT, old_value TEXT,
  new_value TEXT, state INTEGER NOT NULL);
CREATE TABLE outcomes ("row" INTEGER PRIMARY KEY, state INTEGER NOT NULL, id_after TEXT,
  stored TEXT))";

constexpr auto EntryColumns = R"(e."row", e.id_before, coalesce(o.id_after, e.id_after),
  e.old_value, coalesce(o.stored, e.new_value), coalesce(o.state, e.state)
  FROM entries e LEFT JOIN outcomes o ON o."row" = e."row")";

constexpr auto HeaderColumns = R"(kind, undo_of, sid, "user", "table", "column", mode,
  table_key, started, ended, "read", written, unchanged, refused, "left")";

// Times are kept in UTC with milliseconds; read back as local time.
QString TimeText(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime TimeOf(const QVariant& text) {
    return QDateTime::fromString(text.toString(), Qt::ISODateWithMs).toLocalTime();
}

QVariant Text(const QString& text) {
    return text.isNull() ? QString(QLatin1String("")) : text;
}

RunHeader ReadHeader(SqliteConnection& connection) {
    QSqlQuery query =
        connection.Prepare(QStringLiteral("SELECT %1 FROM header").arg(HeaderColumns));
    SqliteConnection::Exec(query, "reading the header");
    if (!query.next())
        throw Error(QStringLiteral("its header is missing"));
    RunHeader header;
    header.kind = query.value(0).toString();
    header.undoOf = query.value(1).toLongLong();
    header.sid = query.value(2).toString();
    header.user = query.value(3).toString();
    header.table = query.value(4).toString();
    header.column = query.value(5).toString();
    header.mode = query.value(6).toString();
    header.tableKey = query.value(7).toString();
    header.started = TimeOf(query.value(8));
    header.ended = TimeOf(query.value(9));
    header.read = query.value(10).toLongLong();
    header.written = query.value(11).toLongLong();
    header.unchanged = query.value(12).toLongLong();
    header.refused = query.value(13).toLongLong();
    header.left = query.value(14).toLongLong();
    return header;
}

QString NoJournal(qint64 id) {
    if (id == 0)
        return QStringLiteral("No run journal in %1").arg(RunJournal::Folder());
    return QStringLiteral("No run journal %1 in %2").arg(id).arg(RunJournal::Folder());
}

QString Damaged(const QString& path, const QString& reason) {
    return QStringLiteral("The run journal %1 is damaged: %2").arg(path, reason);
}

// "x, x, x" with the text `rows` times.
QString Repeated(const QString& text, int rows) {
    QString list;
    list.reserve((text.size() + 2) * rows);
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            list += QLatin1String(", ");
        list += text;
    }
    return list;
}

// Rows go to SQLite up to ChunkRows per statement: one statement per row would spend most of
// the time in the statement's round trip through Qt SQL rather than in storing the row.
constexpr int ChunkRows = 64;

// Runs `count` rows through statements of up to ChunkRows rows each, prepared once per size
// (`sqlFor(rows)`) and kept in `cache`; `bind(query, index, i)` binds row i from `index` on.
template <typename SqlFor, typename Bind>
void ExecChunked(SqliteConnection& connection, std::map<int, QSqlQuery>& cache, std::size_t count,
                 SqlFor sqlFor, Bind bind, const char* what) {
    for (std::size_t first = 0; first < count; first += ChunkRows) {
        const int rows = static_cast<int>(std::min<std::size_t>(ChunkRows, count - first));
        auto query = cache.find(rows);
        if (query == cache.end())
            query = cache.emplace(rows, connection.Prepare(sqlFor(rows))).first;
        int index = 0;
        for (int i = 0; i < rows; ++i)
            bind(query->second, index, first + i);
        SqliteConnection::Exec(query->second, what);
    }
}

} // namespace

struct RunJournal::State {
    qint64 id = 0;
    QString path;
    RunHeader header;
    SqliteConnection connection;
    // Prepared on first use, by rows per statement; declared after the connection so they
    // go before it.
    std::map<int, QSqlQuery> inserts;
    std::map<int, QSqlQuery> settles;

    State(qint64 id, const QString& path) : id(id), path(path), connection(path) {
        // Nothing is synced: a crash or kill of the program loses nothing written (it is in
        // the operating system's cache); only a crash of the system itself could.
        connection.Exec(QStringLiteral("PRAGMA synchronous=OFF"));
    }
};

RunJournal::RunJournal(std::unique_ptr<State> state) : state_(std::move(state)) {}
RunJournal::~RunJournal() = default;

QString RunJournal::Folder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QLatin1String("/journals");
}

std::unique_ptr<RunJournal> RunJournal::Create(RunHeader header, int keep) {
    const QString folder = Folder();
    files::MakeFolder(folder);
    const QList<qint64> ids = files::Ids(folder);
    for (qsizetype i = 0; i < ids.size() - qMax(keep, 0); ++i)
        files::Remove(folder + QLatin1Char('/') + files::NameOf(ids[i]));

    const qint64 id = files::CreateFile(folder, ids.isEmpty() ? 0 : ids.last());
    const QString path = folder + QLatin1Char('/') + files::NameOf(id);
    header.started = QDateTime::currentDateTime();
    header.ended = QDateTime();
    try {
        auto state = std::make_unique<State>(id, path);
        SqliteConnection& connection = state->connection;
        connection.Exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        Transaction transaction(connection);
        for (const QString& statement : QString::fromLatin1(Schema).split(QLatin1Char(';')))
            connection.Exec(statement);
        QSqlQuery insert = connection.Prepare(
            QStringLiteral("INSERT INTO header (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, NULL, "
                           "0, 0, 0, 0, 0)")
                .arg(QLatin1String(HeaderColumns)));
        const QVariantList values = {
            Text(header.kind), header.undoOf,         Text(header.sid),
            Text(header.user), Text(header.table),    Text(header.column),
            Text(header.mode), Text(header.tableKey), TimeText(header.started)};
        for (int i = 0; i < values.size(); ++i)
            insert.bindValue(i, values[i]);
        SqliteConnection::Exec(insert, "writing the header");
        transaction.Commit();
        state->header = header;
        return std::unique_ptr<RunJournal>(new RunJournal(std::move(state)));
    } catch (const Error& error) {
        files::Remove(path);
        throw Error(QStringLiteral("Cannot create the run journal %1: %2")
                        .arg(path, QString::fromUtf8(error.what())));
    }
}

std::unique_ptr<RunJournal> RunJournal::Open(qint64 id) {
    const QString folder = Folder();
    if (id == 0) {
        const QList<qint64> ids = files::Ids(folder);
        if (ids.isEmpty())
            throw Error(NoJournal(0));
        id = ids.last();
    }
    const QString path = folder + QLatin1Char('/') + files::NameOf(id);
    if (id < 0 || !QFileInfo(path).isFile())
        throw Error(NoJournal(id));
    try {
        auto state = std::make_unique<State>(id, path);
        state->header = ReadHeader(state->connection);
        state->connection.Prepare(QStringLiteral("SELECT %1").arg(QLatin1String(EntryColumns)));
        return std::unique_ptr<RunJournal>(new RunJournal(std::move(state)));
    } catch (const Error& error) {
        throw Error(Damaged(path, QString::fromUtf8(error.what())));
    }
}

QList<RunInfo> RunJournal::List() {
    const QString folder = Folder();
    const QList<qint64> ids = files::Ids(folder);
    QList<RunInfo> runs;
    for (auto id = ids.crbegin(); id != ids.crend(); ++id) {
        RunInfo info;
        info.id = *id;
        info.fileName = files::NameOf(*id);
        try {
            SqliteConnection connection(folder + QLatin1Char('/') + info.fileName);
            info.header = ReadHeader(connection);
        } catch (const Error&) {
            info.header = RunHeader();
            info.header.kind.clear();
        }
        runs.append(info);
    }
    return runs;
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
    return state_->header;
}

void RunJournal::AppendPending(const std::vector<Entry>& entries) {
    Transaction transaction(state_->connection);
    ExecChunked(
        state_->connection, state_->inserts, entries.size(),
        [](int rows) {
            return QStringLiteral("INSERT INTO entries (\"row\", id_before, id_after, old_value, "
                                  "new_value, state) VALUES ") +
                   Repeated(QStringLiteral("(?, ?, ?, ?, ?, ?)"), rows);
        },
        [&](QSqlQuery& insert, int& index, std::size_t i) {
            const Entry& entry = entries[i];
            insert.bindValue(index++, entry.row);
            insert.bindValue(index++, Text(entry.idBefore));
            insert.bindValue(index++, entry.idAfter.isEmpty() ? QVariant() : entry.idAfter);
            // SQL NULL for a NULL old value, '' for the empty text.
            insert.bindValue(index++, entry.oldValue.isNull() ? QVariant()
                                                              : Text(entry.oldValue.toString()));
            insert.bindValue(index++, Text(entry.newValue));
            insert.bindValue(index++, static_cast<int>(entry.state));
        },
        "journalling rows");
    transaction.Commit();
}

void RunJournal::Settle(const std::vector<Entry>& outcomes) {
    Transaction transaction(state_->connection);
    ExecChunked(
        state_->connection, state_->settles, outcomes.size(),
        [](int rows) {
            return QStringLiteral("INSERT OR REPLACE INTO outcomes (\"row\", state, id_after, "
                                  "stored) VALUES ") +
                   Repeated(QStringLiteral("(?, ?, ?, ?)"), rows);
        },
        [&](QSqlQuery& settle, int& index, std::size_t i) {
            const Entry& entry = outcomes[i];
            settle.bindValue(index++, entry.row);
            settle.bindValue(index++, static_cast<int>(entry.state));
            settle.bindValue(index++, entry.idAfter.isEmpty() ? QVariant() : entry.idAfter);
            settle.bindValue(index++, entry.altered ? Text(entry.newValue) : QVariant());
        },
        "settling rows");
    transaction.Commit();
}

void RunJournal::Finish(const RunHeader& counts) {
    RunHeader& header = state_->header;
    header.ended = QDateTime::currentDateTime();
    header.read = counts.read;
    header.written = counts.written;
    header.unchanged = counts.unchanged;
    header.refused = counts.refused;
    header.left = counts.left;
    QSqlQuery update = state_->connection.Prepare(
        QStringLiteral("UPDATE header SET ended = ?, \"read\" = ?, written = ?, unchanged = ?, "
                       "refused = ?, \"left\" = ?"));
    const QVariantList values = {TimeText(header.ended), header.read,    header.written,
                                 header.unchanged,       header.refused, header.left};
    for (int i = 0; i < values.size(); ++i)
        update.bindValue(i, values[i]);
    SqliteConnection::Exec(update, "finishing the header");
}

void RunJournal::ForEach(const std::function<void(const std::vector<Entry>&)>& slice,
                         int sliceSize) const {
    sliceSize = qMax(sliceSize, 1);
    QSqlQuery query = state_->connection.Prepare(
        QStringLiteral("SELECT %1 WHERE e.\"row\" > ? ORDER BY e.\"row\" LIMIT ?")
            .arg(QLatin1String(EntryColumns)));
    qint64 after = std::numeric_limits<qint64>::min();
    std::vector<Entry> entries;
    entries.reserve(sliceSize);
    for (;;) {
        entries.clear();
        query.bindValue(0, after);
        query.bindValue(1, sliceSize);
        SqliteConnection::Exec(query, "reading the entries");
        while (query.next()) {
            Entry entry;
            entry.row = query.value(0).toLongLong();
            entry.idBefore = query.value(1).toString();
            entry.idAfter = query.value(2).toString();
            if (!query.isNull(3))
                entry.oldValue = Text(query.value(3).toString());
            entry.newValue = query.value(4).toString();
            entry.state = static_cast<EntryState>(query.value(5).toInt());
            entries.push_back(std::move(entry));
        }
        query.finish();
        if (entries.empty())
            return;
        after = entries.back().row;
        slice(entries);
        if (static_cast<int>(entries.size()) < sliceSize)
            return;
    }
}

} // namespace journal
