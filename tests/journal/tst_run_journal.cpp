#include "journal/retention.h"
#include "journal/run_journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <sys/stat.h>

using journal::Entry;
using journal::EntryState;
using journal::RunJournal;

Q_DECLARE_METATYPE(EntryState)

namespace {

journal::RunHeader HeaderFor(const QString& table) {
    journal::RunHeader header;
    header.sid = "orcl";
    header.user = "scott";
    header.table = table;
    header.column = "ENAME";
    header.mode = "UPPER CASE";
    return header;
}

int ModeOf(const QString& path) {
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return status.st_mode & 0777;
}

QList<qint64> ListedIds() {
    QList<qint64> ids;
    for (const journal::RunInfo& run : RunJournal::List())
        ids.append(run.id);
    return ids;
}

// Ended runs of two rows each, one written; the journal of run `held` (when given) stays
// open, as that of a run still going.
std::unique_ptr<RunJournal> MakeRuns(int count, qint64 held = 0) {
    std::unique_ptr<RunJournal> going;
    for (int i = 0; i < count; ++i) {
        auto journal = RunJournal::Create(HeaderFor(QString("T%1").arg(i)));
        journal->AppendPending(
            {{0, "(0,1)", {}, QString("a"), "A", {}}, {1, "(0,2)", {}, QString("b"), "B", {}}});
        journal->Settle({{1, {}, "(0,3)", {}, {}, EntryState::Written}});
        journal->Finish({.read = 2, .written = 1, .unchanged = 1}, false);
        if (journal->Id() == held)
            going = std::move(journal);
    }
    return going;
}

} // namespace

class RunJournalTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(RunJournal::Folder()).removeRecursively(); }

    void folderIsTheProgramsOwn() {
        QVERIFY(RunJournal::Folder().endsWith("/Vantrel/Quillmark Column Recapitalizer/journals"));
    }

    // Each old value comes back exactly, among rows read a slice at a time, with the states
    // and identities Settle gave them.
    void roundTrip_data() {
        QTest::addColumn<QVariant>("oldValue");
        QTest::newRow("NULL") << QVariant();
        QTest::newRow("empty") << QVariant(QString(""));
        QTest::newRow("quotes") << QVariant(QString("it's \"quoted\"; -- '' "));
        QTest::newRow("CR LF") << QVariant(QString("line one\r\nline two\n\r\t"));
        QTest::newRow("non-ASCII") << QVariant(QString::fromUtf8("Grüße ŞİŞLİ 東京 😀 \u00a0"));
        // SQLite takes a leading U+FEFF of a UTF-16 text for a byte order mark and drops it.
        QTest::newRow("byte order mark first") << QVariant(QChar(0xFEFF) + QString("first"));
    }
    void roundTrip() {
        QFETCH(QVariant, oldValue);
        std::vector<Entry> entries;
        for (qint64 row = 0; row < 5; ++row)
            entries.push_back(
                {row, QString("(0,%1)").arg(row), {}, oldValue, "NEW", {}, row == 4 ? "JOB" : ""});
        qint64 id = 0;
        {
            auto journal = RunJournal::Create(HeaderFor("EMP"));
            id = journal->Id();
            journal->AppendPending(entries);
            journal->Settle({{1, {}, "(9,1)", {}, {}, EntryState::Written},
                             {3, {}, {}, {}, {}, EntryState::NotWritten}});
        }
        const auto journal = RunJournal::Open(id);
        QCOMPARE(journal->Header().table, QString("EMP"));
        std::vector<Entry> read;
        int slices = 0;
        journal->ForEach(
            [&](const std::vector<Entry>& slice) {
                ++slices;
                QVERIFY(slice.size() <= 2);
                read.insert(read.end(), slice.begin(), slice.end());
            },
            2);
        QCOMPARE(slices, 3);
        QCOMPARE(int(read.size()), 5);
        const EntryState states[] = {EntryState::Pending, EntryState::Written, EntryState::Pending,
                                     EntryState::NotWritten, EntryState::Pending};
        for (int row = 0; row < 5; ++row) {
            const Entry& entry = read[row];
            QCOMPARE(entry.row, qint64(row));
            QCOMPARE(entry.idBefore, QString("(0,%1)").arg(row));
            QCOMPARE(entry.oldValue.isNull(), oldValue.isNull());
            if (!oldValue.isNull()) {
                QVERIFY(!entry.oldValue.toString().isNull());
                QCOMPARE(entry.oldValue.toString(), oldValue.toString());
            }
            QCOMPARE(entry.newValue, QString("NEW"));
            QCOMPARE(entry.state, states[row]);
            QCOMPARE(entry.idAfter, row == 1 ? QString("(9,1)") : QString());
            QCOMPARE(entry.column, QString(row == 4 ? "JOB" : "ENAME"));
        }
    }

    void headerKeepsCountsAndNoPassword() {
        qint64 id = 0;
        {
            journal::RunHeader header = HeaderFor("EMP");
            header.kind = "undo";
            header.undoOf = 7;
            header.keyColumn = "EMPNO";
            header.keyType = "NUMBER(4)";
            auto journal = RunJournal::Create(header);
            id = journal->Id();
            journal->Finish({.read = 10, .written = 4, .unchanged = 3, .refused = 2, .left = 1},
                            true);
        }
        const journal::RunHeader header = RunJournal::Open(id)->Header();
        QCOMPARE(header.kind, QString("undo"));
        QCOMPARE(header.undoOf, qint64(7));
        QCOMPARE(header.user, QString("scott"));
        QCOMPARE(header.keyColumn + " " + header.keyType, QString("EMPNO NUMBER(4)"));
        QVERIFY(header.started.isValid() && header.ended >= header.started);
        QVERIFY((
            header.rows ==
            journal::RowCounts{.read = 10, .written = 4, .unchanged = 3, .refused = 2, .left = 1}));
        QVERIFY(header.stopped);
    }

    // What Settle and Committed recorded comes back per row: a row counts as committed only
    // once the commit of the transaction that last wrote it was recorded. Each step names
    // rows of the one group of rows 0 to 2: "settle" them (their group named) or settle them
    // "alone" (the journal finds their group), W(ritten) or N(ot written), or "commit" them
    // with a mark after the '/'.
    void commits_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("rows"); // per row: state, '+' committed, then its mark
        QTest::newRow("group written, commit recorded")
            << QStringList{"settle 0W 1W 2N", "commit 0 1 2 /SCN 42"}
            << "W+SCN 42 W+SCN 42 N+SCN 42";
        QTest::newRow("group written, commit not recorded (in doubt)")
            << QStringList{"settle 0W 1W 2W"} << "W W W";
        QTest::newRow("group refused at commit, retried row by row")
            << QStringList{"settle 0W 1W 2W", "settle 0W", "commit 0 /a",
                           "settle 1N",       "settle 2W", "commit 2 /b"}
            << "W+a N W+b";
        QTest::newRow("rows settled alone, the whole group found by row")
            << QStringList{"alone 0W 1W 2W", "commit 0 1 2 /m"} << "W+m W+m W+m";
        QTest::newRow("a committed row settled again waits for its own commit")
            << QStringList{"settle 0W 1N 2W", "commit 0 1 2 /m", "alone 1W"} << "W+m W W+m";
        QTest::newRow("nothing settled") << QStringList{} << "P P P";
    }
    void commits() {
        QFETCH(QStringList, steps);
        QFETCH(QString, rows);
        qint64 id = 0;
        {
            auto journal = RunJournal::Create(HeaderFor("EMP"));
            id = journal->Id();
            const qint64 group = journal->AppendPending({{0, "(0,1)", {}, QString("a"), "A", {}},
                                                         {1, "(0,2)", {}, QString("b"), "B", {}},
                                                         {2, "(0,3)", {}, QString("c"), "C", {}}});
            QCOMPARE(group, qint64(1));
            for (const QString& step : steps) {
                // "commit ROWS /MARK"
                QStringList words = step.section('/', 0, 0).split(' ', Qt::SkipEmptyParts);
                const QString verb = words.takeFirst();
                std::vector<Entry> outcomes;
                if (verb == "commit") {
                    for (const QString& row : words) {
                        outcomes.push_back({row.toLongLong(), {}, "(9,9)", {}, {}, {}});
                        outcomes.back().group = group;
                    }
                    journal->Committed(outcomes, step.section('/', 1));
                    continue;
                }
                for (const QString& word : words) {
                    Entry& outcome = outcomes.emplace_back(
                        word.left(1).toLongLong(), QString(), word[1] == 'W' ? "(9,9)" : "",
                        QVariant(), QString(),
                        word[1] == 'W' ? EntryState::Written : EntryState::NotWritten);
                    outcome.group = verb == "settle" ? group : 0;
                }
                journal->Settle(outcomes);
            }
        }
        QStringList read;
        const auto journal = RunJournal::Open(id);
        journal->ForEach([&](const std::vector<Entry>& slice) {
            for (const Entry& entry : slice) {
                QCOMPARE(entry.group, qint64(1));
                read.append(QString("PWN"[int(entry.state)]) + (entry.committed ? "+" : "") +
                            entry.commitMark);
            }
        });
        QCOMPARE(read.join(' '), rows);
        QCOMPARE(journal->Counts().uncommitted,
                 qint64(read.filter(QRegularExpression("^W$")).size()));
    }

    // A journal written by the release before (format 2, no commits recorded) is still
    // listed, read and opened for undo; its written rows count as in doubt.
    void formatTwoIsRead() {
        QDir().mkpath(RunJournal::Folder());
        const QString path = RunJournal::Folder() + "/run-000001.sqlite";
        QVERIFY(QFile::copy(QFINDTESTDATA("data/run-format2.sqlite"), path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        const QList<journal::RunInfo> runs = RunJournal::List();
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs[0].state, journal::RunState::Ended);
        QCOMPARE(runs[0].counts.written, qint64(1));
        const auto journal = RunJournal::Open(1);
        QCOMPARE(journal->Header().rows.written, qint64(1));
        QVERIFY(!journal->Header().stopped);
        QStringList read;
        journal->ForEach([&](const std::vector<Entry>& slice) {
            for (const Entry& entry : slice)
                read.append(QString("PWN"[int(entry.state)]) + (entry.committed ? "+" : "") +
                            entry.idAfter);
        });
        QCOMPARE(read, QStringList({"W(0,4)", "N", "P"}));
        QCOMPARE(journal->Counts().uncommitted, qint64(1));
    }

    // Journals hold the data's old values: only their owner may read them, WAL files included.
    void ownerOnly() {
        auto journal = RunJournal::Create(HeaderFor("EMP"));
        journal->AppendPending({{0, "(0,1)", {}, QString("secret"), "SECRET", {}}});
        QCOMPARE(ModeOf(RunJournal::Folder()), 0700);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const QString path = journal->Path() + QLatin1String(suffix);
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
            QCOMPARE(ModeOf(path), 0600);
        }
    }

    // Ended runs' journals go by age, by count (--keep, the new run included) or past the
    // size budget, oldest first; a running run's journal never goes.
    void retention_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("budgetJournals"); // the budget in journals' sizes; -1: default
        QTest::addColumn<QList<qint64>>("aged"); // last written 31 days ago
        QTest::addColumn<qint64>("held");        // still going
        QTest::addColumn<QList<qint64>>("left");
        const QList<qint64> none;
        QTest::newRow("by age") << 30 << -1 << -1 << QList<qint64>{1, 3} << qint64(0)
                                << QList<qint64>{5, 4, 2};
        QTest::newRow("by age, running run")
            << 30 << -1 << -1 << QList<qint64>{1, 3} << qint64(1) << QList<qint64>{5, 4, 2, 1};
        QTest::newRow("many recent runs")
            << 30 << -1 << -1 << none << qint64(0) << QList<qint64>{5, 4, 3, 2, 1};
        QTest::newRow("--keep 0") << -1 << 0 << -1 << none << qint64(0) << QList<qint64>{5};
        QTest::newRow("--keep 2") << -1 << 2 << -1 << none << qint64(0) << QList<qint64>{5, 4};
        QTest::newRow("--keep 0, running run")
            << -1 << 0 << -1 << none << qint64(2) << QList<qint64>{5, 2};
        QTest::newRow("--keep more than there are")
            << -1 << 9 << -1 << none << qint64(0) << QList<qint64>{5, 4, 3, 2, 1};
        QTest::newRow("size budget")
            << 30 << -1 << 2 << none << qint64(0) << QList<qint64>{5, 4, 3};
    }
    void retention() {
        QFETCH(int, days);
        QFETCH(int, count);
        QFETCH(int, budgetJournals);
        QFETCH(QList<qint64>, aged);
        QFETCH(qint64, held);
        QFETCH(QList<qint64>, left);
        const auto going = MakeRuns(4, held);
        const QString folder = RunJournal::Folder();
        for (const qint64 id : aged) {
            QFile file(folder + QString("/run-%1.sqlite").arg(id, 6, 10, QChar('0')));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addDays(-31),
                                     QFileDevice::FileModificationTime));
        }
        journal::Retention retention{days, count, journal::DefaultBudgetBytes};
        if (budgetJournals >= 0)
            retention.budgetBytes =
                budgetJournals * QFileInfo(folder + "/run-000001.sqlite").size();
        journal::SetRetention(retention);
        const qint64 id = RunJournal::Create(HeaderFor("NEW"))->Id();
        journal::SetRetention({});
        QCOMPARE(id, qint64(5));
        QCOMPARE(ListedIds(), left);
        QCOMPARE(QDir(folder).entryList({"*.lock"}).size(), left.size());
    }

    // A journal that is missing, unreadable or altered is refused whole: every field of the
    // header and of every entry and outcome is under a checksum, and listing names it
    // damaged. SQLite's own checks find nothing wrong with an altered value.
    void openFails_data() {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QByteArray>("content"); // of run-000002.sqlite; empty: no file
        QTest::addColumn<QString>("sql");        // run on run-000001.sqlite instead
        QTest::addColumn<QString>("message");
        const QString damaged = "The run journal %1 is damaged: ";
        QTest::newRow("missing") << qint64(3) << QByteArray() << ""
                                 << "No run journal 3 in ";
        QTest::newRow("garbage bytes") << qint64(2) << QByteArray(4096, '\x5a') << "" << damaged;
        QTest::newRow("empty file") << qint64(2) << QByteArray("") << "" << damaged;
        const QList<std::pair<const char*, const char*>> edits = {
            {"UPDATE entries SET old_value = 'x' WHERE \"row\" = 1", "the entry of row 1"},
            {"UPDATE entries SET \"column\" = 'JOB' WHERE \"row\" = 0", "the entry of row 0"},
            {"UPDATE outcomes SET sealed = sealed + 1", "the outcome of row 1"},
            {"UPDATE outcomes SET id_after = '(0,2)'", "the outcome of row 1"},
            {"UPDATE header SET \"table\" = 'DEPT'", "its header does not match"},
            {"UPDATE header SET written = 0", "its header does not match"},
            {"UPDATE header SET stopped = 1", "its header does not match"},
            {"PRAGMA user_version = 1", "it is not in this version's format"},
            // Records removed whole, each leaving valid checksums behind.
            {"DELETE FROM entries WHERE \"row\" = 0", "its group 1 holds 1 of its 2 entries"},
            {"DELETE FROM outcomes", "its group 1 holds 0 of its 1 outcomes"},
            {"DELETE FROM entries; DELETE FROM outcomes; DELETE FROM \"groups\"",
             "it holds 0 of the 1 groups its header counts"},
            {"UPDATE \"groups\" SET \"group\" = 2", "its group 1 is missing"},
            {"UPDATE \"groups\" SET committed = 1", "its group 1 does not match its checksum"},
            {"UPDATE outcomes SET alone = 2", "the outcome of row 1"}};
        for (const auto& [sql, message] : edits)
            QTest::newRow(sql) << qint64(1) << QByteArray() << sql << damaged + message;
    }
    void openFails() {
        QFETCH(qint64, id);
        QFETCH(QByteArray, content);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        MakeRuns(1);
        const QString path = RunJournal::Folder() + QString("/run-00000%1.sqlite").arg(id);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        if (!sql.isEmpty()) {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "edit");
            database.setDatabaseName(path);
            QVERIFY(database.open());
            for (const QString& statement : sql.split(';'))
                QVERIFY2(QSqlQuery(database).exec(statement), qPrintable(statement));
            database.close();
        }
        QSqlDatabase::removeDatabase("edit");
        try {
            RunJournal::Open(id);
            QFAIL("Open did not throw");
        } catch (const journal::Error& error) {
            const QString what = QString::fromUtf8(error.what());
            QVERIFY2(what.startsWith(message.arg(path)), qPrintable(what));
            QVERIFY2(!what.contains('\n'), qPrintable(what));
        }
        QCOMPARE(QFileInfo::exists(path), !content.isNull() || !sql.isEmpty());
        if (!sql.isEmpty())
            QCOMPARE(RunJournal::List().first().state, journal::RunState::Damaged);
    }

    // Damage anywhere in a journal is found before anything is read as good: SQLite reads a
    // damaged b-tree page as a shorter table without an error, so the groups' counts and
    // SQLite's own structure check back the checksums. Eight bytes are overwritten at the end
    // of a page of each kind (the first page holds the file's header and its schema), or the
    // file loses its last pages. Listing names it damaged although it proved the journal
    // whole before (the change invalidates what it knew), and still knows its sibling.
    void damageAnywhere_data() {
        QTest::addColumn<QString>("page"); // a page type of SQLite's dbstat, or "truncated"
        QTest::newRow("header page") << "header";
        QTest::newRow("interior page") << "internal";
        QTest::newRow("leaf page") << "leaf";
        QTest::newRow("overflow page") << "overflow";
        QTest::newRow("truncated at the end") << "truncated";
    }
    void damageAnywhere() {
        QFETCH(QString, page);
        for (int run = 0; run < 2; ++run) {
            auto journal = RunJournal::Create(HeaderFor("EMP"));
            for (qint64 group = 0; group < 3; ++group) {
                std::vector<Entry> entries;
                for (qint64 row = group * 1000; row < group * 1000 + 1000; ++row)
                    entries.push_back(
                        {row,
                         QString("(%1,1)").arg(row),
                         {},
                         QString(row == 1500 ? 20000 : 40, QChar(char16_t('a' + row % 26))),
                         QString("value %1").arg(row),
                         {}});
                entries.front().group = journal->AppendPending(entries);
                for (Entry& entry : entries) {
                    entry.group = entries.front().group;
                    entry.state = EntryState::Written;
                }
                journal->Settle(entries);
                journal->Committed(entries);
            }
            journal->Finish({.read = 3000, .written = 3000}, false);
        }
        const QString path = RunJournal::Folder() + "/run-000001.sqlite";
        // Each writer left its verdict: the first listing reads neither journal.
        QFile proofs(RunJournal::Folder() + "/proofs");
        QVERIFY(proofs.open(QIODevice::ReadOnly));
        QCOMPARE(proofs.readAll().count("\n1 "), qsizetype(1));
        proofs.close();
        QCOMPARE(RunJournal::List().last().state, journal::RunState::Ended);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = 4096;
        if (page == "truncated") {
            QVERIFY(file.resize(file.size() - 2 * size));
        } else {
            qint64 number = 1;
            if (page != "header") {
                QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "pages");
                database.setDatabaseName(path);
                QVERIFY(database.open());
                QSqlQuery pages(database);
                QVERIFY(pages.exec(QString("SELECT pageno FROM dbstat WHERE name = 'entries' AND "
                                           "pagetype = '%1' ORDER BY pageno")
                                       .arg(page)));
                QList<qint64> numbers;
                while (pages.next())
                    numbers.append(pages.value(0).toLongLong());
                pages.finish();
                database.close();
                QVERIFY(!numbers.isEmpty());
                number = numbers[numbers.size() / 2];
            }
            QSqlDatabase::removeDatabase("pages");
            QVERIFY(file.seek(number * size - 8));
            file.write("XXXXXXXX");
        }
        file.close();
        try {
            RunJournal::Open(1);
            QFAIL("Open did not throw");
        } catch (const journal::Error& error) {
            QVERIFY2(QString::fromUtf8(error.what())
                         .startsWith(QString("The run journal %1 is damaged: ").arg(path)),
                     error.what());
        }
        for (int listing = 0; listing < 2; ++listing) {
            const QList<journal::RunInfo> runs = RunJournal::List();
            QCOMPARE(runs.last().state, journal::RunState::Damaged);
            QCOMPARE(runs.first().state, journal::RunState::Ended);
            QCOMPARE(runs.first().counts.written, qint64(3000));
        }
    }

    // A damaged journal is listed by its number, and does not hide the others.
    void listIsNewestFirstAndSurvivesDamage() {
        MakeRuns(3);
        QFile damaged(RunJournal::Folder() + "/run-000002.sqlite");
        QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(2048, '\x01'));
        damaged.close();
        const QList<journal::RunInfo> runs = RunJournal::List();
        QCOMPARE(ListedIds(), QList<qint64>({3, 2, 1}));
        QCOMPARE(runs[0].header.table, QString("T2"));
        QVERIFY(runs[1].header.table.isEmpty());
        QCOMPARE(runs[1].fileName, QString("run-000002.sqlite"));
        QCOMPARE(runs[2].header.table, QString("T0"));
    }
};

QTEST_GUILESS_MAIN(RunJournalTest)
#include "tst_run_journal.moc"
