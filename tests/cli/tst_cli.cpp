#include "app/settings_store.h"
#include "change/recording_host.h"
#include "journal/run_journal.h"
#include "support/test_database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <csignal>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Setup = std::function<void(const QString& table)>;
Q_DECLARE_METATYPE(Setup)

// The command line as its users meet it: the built program, run against the test server.
namespace {

struct Outcome {
    int status = -1;
    bool crashed = false;
    QString out;
    QStringList errLines;
};

int JournalCount() {
    return QDir(journal::RunJournal::Folder()).entryList({"run-*.sqlite"}, QDir::Files).size();
}

QString JournalPath(qint64 id) {
    return journal::RunJournal::Folder() + QString("/run-%1.sqlite").arg(id, 6, 10, QChar('0'));
}

// The user and group id of "nobody", another user than the tests' own (root).
constexpr uid_t Nobody = 65534;

// A password value that leaves RECAP_PASSWORD unset.
const QString NoPassword = "\x01unset";

// A program on a terminal of its own that asks for a password: answers it, and returns
// what the terminal showed after the prompt's line.
Outcome RunOnTerminal(const QStringList& arguments, const QString& password) {
    QList<QByteArray> bytes{RECAPITALIZER_BINARY};
    for (const QString& argument : arguments)
        bytes.append(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::unsetenv("RECAP_PASSWORD");
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    QByteArray shown;
    char buffer[4096];
    bool answered = false;
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, got);
        if (!answered && shown.contains("Password for ")) {
            const QByteArray answer = (password + "\n").toUtf8();
            answered = ::write(terminal, answer.constData(), size_t(answer.size())) > 0;
        }
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    Outcome outcome;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = QString::fromUtf8(shown.mid(shown.indexOf('\n') + 1)).remove('\r');
    return outcome;
}

const QRegularExpression
    SummaryPattern("^read (\\d+), written (\\d+), unchanged (\\d+), refused (\\d+), left (\\d+)"
                   "(; journal run-\\d+\\.sqlite)?\n$");

} // namespace

class CliTest : public QObject {
    Q_OBJECT

    testdb::User user_;
    int tables_ = 0;
    std::unique_ptr<QProcess> paused_; // a run stopped with SIGSTOP
    QStringList environment_;          // for run(): "NAME=VALUE", or "NAME=" to unset
    bool asNobody_ = false;            // run() starts the program as another user, nobody

    // Runs the program; `during` may act on it while it runs (a signal on a progress line).
    Outcome run(const QStringList& arguments, const QString& password = QString(),
                const std::function<bool(QProcess&, const QString&)>& during = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("RECAP_PASSWORD", password.isNull() ? user_.password : password);
        if (password == NoPassword)
            environment.remove("RECAP_PASSWORD");
        // "NAME=VALUE" sets a variable, "NAME=" unsets it.
        for (const QString& assignment : std::as_const(environment_)) {
            const QString name = assignment.section('=', 0, 0);
            const QString value = assignment.section('=', 1);
            if (value.isEmpty())
                environment.remove(name);
            else
                environment.insert(name, value);
        }
        QProcess process;
        process.setProcessEnvironment(environment);
        if (asNobody_)
            process.setChildProcessModifier([] {
                if (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                    ::_exit(126);
            });
        process.start(RECAPITALIZER_BINARY, arguments);
        if (!process.waitForStarted())
            return {};
        QString err;
        if (during) {
            bool acted = false;
            while (!acted && process.state() == QProcess::Running) {
                process.waitForReadyRead(100);
                err += QString::fromUtf8(process.readAllStandardError());
                acted = during(process, err);
            }
        }
        process.waitForFinished(180000);
        Outcome outcome;
        outcome.crashed = process.exitStatus() == QProcess::CrashExit;
        outcome.status = process.exitCode();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        err += QString::fromUtf8(process.readAllStandardError());
        outcome.errLines = err.split('\n', Qt::SkipEmptyParts);
        return outcome;
    }

    QString makeTable(const QStringList& values) {
        const QString table = QString("t%1").arg(++tables_);
        QString sql = QString("CREATE TABLE %1 (id serial PRIMARY KEY, c text, n integer "
                              "DEFAULT 7);")
                          .arg(table);
        for (const QString& value : values)
            sql += QString("INSERT INTO %1 (c) VALUES (%2);").arg(table, testdb::Literal(value));
        testdb::Exec(user_, sql);
        return table;
    }

    // Many rows in one statement, for runs long enough to interrupt.
    QString makeLongTable(int rows) {
        const QString table = QString("t%1").arg(++tables_);
        testdb::Exec(user_, QString("CREATE TABLE %1 (id serial PRIMARY KEY, c text);"
                                    "INSERT INTO %1 (c) SELECT 'value ' || i || E' \\u00e9\\r\\n' "
                                    "FROM generate_series(1, %2) AS i;")
                                .arg(table)
                                .arg(rows));
        return table;
    }

    QStringList column(const QString& table) {
        return testdb::Column(user_, QString("SELECT c FROM %1 ORDER BY id").arg(table));
    }

    QStringList recase(const QString& table, const QString& mode) {
        return {"recase",  "--sid", user_.profile().sid, "--user", user_.name,
                "--table", table,   "--column",          "c",      "--case",
                mode};
    }

    // Starts the program and returns once it printed `text` on stderr (the run under way).
    std::unique_ptr<QProcess> startUntil(const QStringList& arguments, const QString& text) {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("RECAP_PASSWORD", user_.password);
        process->setProcessEnvironment(environment);
        process->setReadChannel(QProcess::StandardError);
        process->start(RECAPITALIZER_BINARY, arguments);
        QString err;
        while (!err.contains(text) && process->waitForReadyRead(60000))
            err += QString::fromUtf8(process->readAllStandardError());
        return process;
    }

    // A signal to a started program (never to the process group, as pid 0 would be).
    void signal(const QProcess& process, int number) {
        QVERIFY(process.processId() > 0);
        ::kill(pid_t(process.processId()), number);
    }

    QStringList withProfile(QStringList arguments) {
        return arguments + QStringList{"--sid", user_.profile().sid, "--user", user_.name};
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser("cli");
    }
    // A paused run goes on to its end.
    void cleanup() {
        if (!paused_)
            return;
        const std::unique_ptr<QProcess> paused = std::move(paused_);
        signal(*paused, SIGCONT);
        QVERIFY(paused->waitForFinished(180000));
    }
    void init() {
        environment_.clear();
        asNobody_ = false;
        QFile::remove(journal::RunJournal::Folder());
        QDir(journal::RunJournal::Folder()).removeRecursively();
    }

    // Calls that end at once with status 0 and their text on stdout; on a terminal, the
    // password is asked for without echo.
    void help_data() {
        QTest::addColumn<QStringList>("arguments"); // TABLE: a table made for the row
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("usage");
        QTest::newRow("program") << QStringList{"--help"} << false << "Usage: recapitalizer [VERB";
        QTest::newRow("recase") << QStringList{"recase", "--help"} << false
                                << "Usage: recapitalizer recase [options]";
        QTest::newRow("--help-all") << QStringList{"recase", "--help-all"} << false
                                    << "Usage: recapitalizer recase [options]";
        QTest::newRow("runs") << QStringList{"runs", "--help"} << false
                              << "Usage: recapitalizer runs [options]";
        QTest::newRow("undo") << QStringList{"undo", "--help"} << false
                              << "Usage: recapitalizer undo [options] [RUN]";
        QTest::newRow("forget") << QStringList{"forget", "--help"} << false
                                << "Usage: recapitalizer forget [options] [RUN...]";
        QTest::newRow("--version") << QStringList{"--version"} << false << "recapitalizer 1.";
        QTest::newRow("-v") << QStringList{"-v"} << false << "recapitalizer 1.";
        QTest::newRow("password asked on a terminal")
            << QStringList{"recase", "--table", "TABLE", "--column",
                           "c",      "--case",  "upper", "--dry-run"}
            << true << "would change 2 of 2 rows read";
    }
    void help() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, terminal);
        QFETCH(QString, usage);
        if (arguments.contains("TABLE")) {
            arguments.replaceInStrings(QRegularExpression("^TABLE$"), makeTable({"a", "b"}));
            arguments += QStringList{"--sid", user_.profile().sid, "--user", user_.name};
        }
        const Outcome outcome =
            terminal ? RunOnTerminal(arguments, user_.password) : run(arguments);
        QCOMPARE(outcome.status, 0);
        // On a terminal the progress bar comes first.
        QVERIFY2(terminal ? outcome.out.contains(usage) : outcome.out.startsWith(usage),
                 qPrintable(outcome.out));
        QVERIFY(!outcome.out.contains(user_.password));
    }

    // Input the program cannot act on: its exit status and one line saying why on stderr,
    // nothing on stdout, the table as it was and no new journal.
    void refusals_data() {
        QTest::addColumn<QStringList>("arguments"); // TABLE: the table made for the row
        QTest::addColumn<QString>("password");      // null: the right one
        // A file written into the folder first; "/": a file where the folder should be;
        // "NAME=VALUE ...": the environment; "nobody": a journal, listed as another user.
        QTest::addColumn<QString>("journalFile");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QStringList base{"recase", "--table", "TABLE", "--column", "c", "--case", "upper"};
        auto without = [&](int at) { return base.mid(0, at) + base.mid(at + 2); };
        QTest::newRow("missing --table")
            << without(1) << QString() << QString() << 2 << "Missing option --table";
        QTest::newRow("unknown option") << base + QStringList{"--colour"} << QString() << QString()
                                        << 2 << "Unknown option 'colour'";
        QTest::newRow("bad --case") << without(5) + QStringList{"--case", "title"} << QString()
                                    << QString() << 2 << "Unknown case 'title'";
        QTest::newRow("--exceptions without names")
            << base + QStringList{"--exceptions", "words.txt"} << QString() << QString() << 2
            << "--exceptions goes with --case names";
        QTest::newRow("unreadable --exceptions")
            << without(5) + QStringList{"--case", "names", "--exceptions", "/nonexistent/words"}
            << QString() << QString() << 2
            << "Cannot read the exceptions file /nonexistent/words: ";
        QTest::newRow("bad --keep") << base + QStringList{"--keep", "-1"} << QString() << QString()
                                    << 2 << "--keep needs a whole number";
        QTest::newRow("--keep 0") << base + QStringList{"--keep", "0"} << QString() << QString()
                                  << 2 << "--keep needs a whole number of 1 or more, not '0'";
        QTest::newRow("bad RUN") << QStringList{"undo", "last"} << QString() << QString() << 2
                                 << "RUN must be a run's number";
        QTest::newRow("no such table")
            << QStringList{"recase", "--table", "nosuch", "--column", "c", "--case", "upper"}
            << QString() << QString() << 2 << "nosuch";
        QTest::newRow("no such column") << without(3) + QStringList{"--column", "nosuch"}
                                        << QString() << QString() << 2 << "nosuch";
        QTest::newRow("not a text column") << without(3) + QStringList{"--column", "n"} << QString()
                                           << QString() << 2 << "does not hold text";
        QTest::newRow("dry run of a column the run refuses")
            << without(3) + QStringList{"--column", "n", "--dry-run"} << QString() << QString() << 2
            << "does not hold text";
        QTest::newRow("wrong password") << base << "wrong" << QString() << 2 << "password";
        QTest::newRow("undo of a missing journal")
            << QStringList{"undo", "999"} << QString() << QString() << 2 << "No run journal 999";
        QTest::newRow("undo of a corrupt journal")
            << QStringList{"undo", "1"} << QString() << "run-000001.sqlite" << 2 << "damaged";
        const QString verbs = "the verbs are recase, runs, undo, forget";
        QTest::newRow("unknown verb") << QStringList{"foo"} << QString() << QString() << 2 << verbs;
        QTest::newRow("misspelt verb")
            << QStringList{"recsae"} << QString() << QString() << 2 << "unknown verb 'recsae'";
        QTest::newRow("verb in capitals")
            << QStringList{"RECASE", "--help"} << QString() << QString() << 2 << verbs;
        QTest::newRow("--table twice") << base + QStringList{"--table", "other"} << QString()
                                       << QString() << 2 << "--table is given more than once";
        QTest::newRow("no password, no terminal")
            << base << NoPassword << QString() << 2 << "RECAP_PASSWORD";
        QTest::newRow("journal folder unusable")
            << base << QString() << "/" << 2 << "Cannot create the journal folder";
        QTest::newRow("forget what") << QStringList{"forget"} << QString() << QString() << 2
                                     << "Name the runs to forget, or --all";
        QTest::newRow("undo with an empty profile")
            << QStringList{"undo", "1", "--sid", "", "--user", ""} << QString()
            << "run-000001.sqlite" << 2 << "give --sid and --user";
        QTest::newRow("another user's journal folder")
            << QStringList{"runs"} << QString() << "nobody" << 2 << "belongs to another user";
        QTest::newRow("no home folder")
            << base << QString() << "HOME= XDG_DATA_HOME=" << 2 << "set XDG_DATA_HOME";
        QTest::newRow("home folder is /")
            << base << QString() << "HOME=/ XDG_DATA_HOME=" << 2 << "set XDG_DATA_HOME";
        QTest::newRow("XDG_DATA_HOME is /")
            << QStringList{"undo"} << QString() << "XDG_DATA_HOME=/" << 2 << "set XDG_DATA_HOME";
        QTest::newRow("runs, no home folder")
            << QStringList{"runs"} << QString() << "HOME=/ XDG_DATA_HOME=" << 2
            << "set XDG_DATA_HOME";
    }
    void refusals() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, password);
        QFETCH(QString, journalFile);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QStringList values{"mixed Case", "other"};
        const QString table = makeTable(values);
        arguments.replaceInStrings(QRegularExpression("^TABLE$"), table);
        if ((arguments.first() == "recase" || arguments.first() == "undo") &&
            !arguments.contains("--sid"))
            arguments += QStringList{"--sid", user_.profile().sid, "--user", user_.name};
        // Nothing may appear at the root for want of a home folder.
        const QStringList rootFolders{"/.local", "/Vantrel"};
        QList<bool> rootFoldersBefore;
        for (const QString& folder : rootFolders)
            rootFoldersBefore.append(QFileInfo::exists(folder));
        if (journalFile.contains('=')) {
            environment_ = journalFile.split(' ');
        } else if (journalFile == "nobody") {
            journal::RunJournal::Create({});
            asNobody_ = true;
        } else if (journalFile == "/") {
            QVERIFY(QDir().mkpath(QFileInfo(journal::RunJournal::Folder()).absolutePath()));
            QVERIFY(QFile(journal::RunJournal::Folder()).open(QIODevice::WriteOnly));
        } else if (!journalFile.isEmpty()) {
            QVERIFY(QDir().mkpath(journal::RunJournal::Folder()));
            QFile file(journal::RunJournal::Folder() + "/" + journalFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        }
        const int journals = JournalCount();

        const Outcome outcome = run(arguments, password);
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.errLines.size() == 1 && outcome.errLines[0].contains(message),
                 qPrintable(outcome.errLines.join("\n")));
        QCOMPARE(outcome.out, QString());
        QCOMPARE(column(table), values);
        QCOMPARE(JournalCount(), journals);
        for (qsizetype i = 0; i < rootFolders.size(); ++i)
            QCOMPARE(QFileInfo::exists(rootFolders[i]), rootFoldersBefore[i]);
    }

    void runsListsNewestFirst() {
        for (const char* table : {"EMP", "DEPT"}) {
            journal::RunHeader header;
            header.user = "scott";
            header.table = table;
            header.column = "NAME";
            header.mode = "Proper Case";
            journal::RunJournal::Create(header);
        }
        journal::RunHeader undo;
        undo.kind = "undo";
        undo.undoOf = 2;
        undo.user = "scott";
        undo.table = "DEPT";
        undo.column = "NAME";
        journal::RunJournal::Create(undo)->Finish(undo.rows, undo.stopped);

        const Outcome outcome = run({"runs"});
        QCOMPARE(outcome.status, 0);
        const QStringList lines = outcome.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(QRegularExpression("^3  \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  scott  "
                                    "DEPT.NAME  undo of 2  read 0, written 0")
                     .match(lines[0])
                     .hasMatch(),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith("2  ") && lines[1].contains("DEPT.NAME  Proper Case"),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith("1  ") && lines[2].contains("EMP.NAME"), qPrintable(lines[2]));
    }

    // A run from the work window and one from the command line, both undone newest first,
    // give back the column byte for byte.
    void undoRestoresEveryValue() {
        const QStringList values{QString(),
                                 "",
                                 "o'Neil \"quoted\"",
                                 "line\r\nbreak",
                                 QString::fromUtf8("Grüße aus KÖLN"),
                                 "MiXeD cAsE",
                                 "1 2 3"};
        const QString table = makeTable(values);
        RecordingHost window;
        window.profile = user_.profile();
        window.table = table;
        window.field = "c";
        window.caseBox = "Proper Case";
        RunChange(window);
        const QStringList afterWindow = column(table);
        QVERIFY(afterWindow != values);

        // The command line takes SID and user from the store the windows fill.
        SaveSetting(SettingsAppName, SettingsSection, KeyOracleSid, user_.profile().sid);
        SaveSetting(SettingsAppName, SettingsSection, KeyOracleUser, user_.name);
        const Outcome recased =
            run({"recase", "--table", table, "--column", "c", "--case", "upper"});
        QCOMPARE(recased.status, 0);
        const QRegularExpressionMatch summary = SummaryPattern.match(recased.out);
        QVERIFY2(summary.hasMatch(), qPrintable(recased.out));
        QCOMPARE(summary.captured(1).toInt(), values.size());
        QVERIFY(!summary.captured(6).isEmpty());
        QCOMPARE(column(table)[5], QString("MIXED CASE"));

        QCOMPARE(run({"undo"}).status, 0);
        QCOMPARE(column(table), afterWindow);
        QCOMPARE(run({"undo", "1"}).status, 0);
        QCOMPARE(column(table), values);
    }

    // A run stopped by Ctrl-C (status 130, journal consistent), killed outright, or cut off
    // by a restart of the server (status 1, one line saying why) is undone completely.
    void interruptedRunIsUndone_data() {
        QTest::addColumn<int>("signal"); // 0: the server ends the run's sessions
        QTest::newRow("Ctrl-C") << int(SIGINT);
        QTest::newRow("SIGKILL") << int(SIGKILL);
        QTest::newRow("server restart") << 0;
    }
    void interruptedRunIsUndone() {
        QFETCH(int, signal);
        const QString table = makeLongTable(30000);
        const QStringList values = column(table);
        const Outcome stopped =
            run(recase(table, "upper"), QString(), [&](QProcess& process, const QString& err) {
                if (!err.contains("10%"))
                    return false;
                if (signal == 0)
                    testdb::Exec(testdb::Admin(), QString("SELECT pg_terminate_backend(pid) FROM "
                                                          "pg_stat_activity WHERE usename = '%1'")
                                                      .arg(user_.name));
                else
                    ::kill(pid_t(process.processId()), signal);
                return true;
            });
        if (signal == SIGINT) {
            QCOMPARE(stopped.status, 130);
            QVERIFY2(SummaryPattern.match(stopped.out).hasMatch(), qPrintable(stopped.out));
            // Listed with the counts it reached, as stopped.
            const QString listed = run({"runs"}).out;
            QVERIFY2(listed.startsWith("1  ") && listed.contains(stopped.out.section(';', 0, 0)) &&
                         listed.contains("(stopped before its end"),
                     qPrintable(listed));
        } else if (signal == 0) {
            QCOMPARE(stopped.status, 1);
            QVERIFY2(SummaryPattern.match(stopped.out).hasMatch(), qPrintable(stopped.out));
            const QStringList said = stopped.errLines.filter(QRegularExpression("^(?!\\d+%$)"));
            QVERIFY2(said.size() == 1 && said[0].contains("connection"),
                     qPrintable(said.join('\n')));
        } else {
            QVERIFY(stopped.crashed);
        }
        QVERIFY(column(table) != values);
        const Outcome undone = run({"undo", "--sid", user_.profile().sid, "--user", user_.name});
        // The rows of the groups the restart cut off hold their old values already: how the
        // undo counts them is its own matter.
        if (signal != 0)
            QCOMPARE(undone.status, 0);
        QCOMPARE(column(table), values);
    }

    // Rows another session changed after the run keep that session's value; the rest go back.
    void undoLeavesRowsChangedSince() {
        const QString table = makeTable({"a", "b", "c", "d"});
        QCOMPARE(run(recase(table, "upper")).status, 0);
        testdb::Exec(user_, QString("UPDATE %1 SET c = 'theirs' WHERE c IN ('B', 'D')").arg(table));
        const Outcome undone = run({"undo", "--sid", user_.profile().sid, "--user", user_.name});
        QCOMPARE(undone.status, 1);
        const QRegularExpressionMatch summary = SummaryPattern.match(undone.out);
        QVERIFY2(summary.hasMatch(), qPrintable(undone.out));
        QCOMPARE(summary.captured(5), QString("2"));
        QCOMPARE(column(table), QStringList({"a", "theirs", "c", "theirs"}));
    }

    // What the journals promise: a run's journal outlives pruning while the run goes on and
    // any number of later runs; a damaged one is named and never undone; `runs` tells a
    // running run from a killed one by the counts its journal holds; `undo` without a number
    // takes the newest run still to undo and says which; `forget` deletes a journal. Each row
    // sets up on a table (upper cased by run 1, unless the setup runs otherwise), then makes
    // one call (undo with the profile).
    void journalFaults_data() {
        QTest::addColumn<int>("rows");    // 0: a few values; else a long table
        QTest::addColumn<Setup>("setup"); // null: run 1 only
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // a pattern for stdout and stderr
        // "before", "converted", the values by id joined by ',', or "" unchecked
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("journals"); // after the call
        // Run 1 is paused at 10%, its journal open; cleanup() lets it end.
        const Setup pause = [this](const QString& table) {
            paused_ = startUntil(recase(table, "upper"), "10%");
            signal(*paused_, SIGSTOP);
        };
        const Setup pruneMeanwhile = [this, pause](const QString& table) {
            pause(table);
            QCOMPARE(run(recase(makeTable({"x"}), "upper") + QStringList{"--keep", "1"}).status, 0);
            cleanup();
        };
        const Setup kill = [this](const QString& table) {
            signal(*startUntil(recase(table, "upper"), "10%"), SIGKILL);
        };
        // Eight bytes overwritten inside an old value in the middle of the journal.
        const Setup damage = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            QFile file(JournalPath(1));
            QVERIFY(file.open(QIODevice::ReadWrite));
            const qsizetype at = file.readAll().indexOf("value 2500 ");
            QVERIFY(at > 0);
            file.seek(at);
            file.write("XXXXXXXX");
        };
        // One outcome removed whole: every checksum left still matches.
        const Setup outcomeRemoved = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "edit");
            database.setDatabaseName(JournalPath(1));
            QVERIFY(database.open());
            QVERIFY(QSqlQuery(database).exec("DELETE FROM outcomes WHERE \"row\" = 2500"));
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase("edit");
        };
        const Setup twentyOthers = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            for (int i = 0; i < 20; ++i) {
                journal::RunHeader other;
                other.table = QString("OTHER%1").arg(i);
                journal::RunJournal::Create(other)->Finish(other.rows, other.stopped);
            }
            QCOMPARE(run(recase(makeTable({"x"}), "upper")).status, 0);
        };
        const Setup twice = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            QCOMPARE(run(recase(table, "upper")).status, 0);
        };
        const Setup undone = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            QCOMPARE(run(withProfile({"undo"})).status, 0);
        };
        // A deferred constraint refuses one row of the second group at its COMMIT.
        const Setup refusedAtCommit = [this](const QString& table) {
            testdb::Exec(user_, QString("INSERT INTO %1 (c) VALUES (upper('value 1500 ' || "
                                        "E'\\u00e9\\r\\n')); ALTER TABLE %1 ADD UNIQUE (c) "
                                        "DEFERRABLE INITIALLY DEFERRED")
                                    .arg(table));
            const Outcome refused = run(recase(table, "upper"));
            QCOMPARE(refused.status, 1);
            QVERIFY2(refused.out.contains("written 2999, unchanged 1, refused 1, left 0"),
                     qPrintable(refused.out));
        };
        // Run 1 ends; its undo, run 2, is stopped by Ctrl-C at 10%.
        const Setup undoStopped = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            const auto ctrlC = [](QProcess& process, const QString& err) {
                if (!err.contains("10%"))
                    return false;
                ::kill(pid_t(process.processId()), SIGINT);
                return true;
            };
            QCOMPARE(run(withProfile({"undo"}), QString(), ctrlC).status, 130);
        };
        // Run 1 upper-cases row 1 of ('abc', 'ABC'); another session then edits that row.
        const Setup editedSince = [this](const QString& table) {
            testdb::Exec(
                user_,
                QString("UPDATE %1 SET c = CASE id WHEN 1 THEN 'abc' ELSE 'ABC' END").arg(table));
            QCOMPARE(run(recase(table, "upper")).status, 0);
            testdb::Exec(user_, QString("UPDATE %1 SET c = 'Abc-edited' WHERE id = 1").arg(table));
        };
        const Setup swappedAfterTruncate = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            testdb::Exec(user_, QString("TRUNCATE %1; INSERT INTO %1 (id, c) VALUES (1, 'B'), "
                                        "(2, 'A')")
                                    .arg(table));
        };
        // Rows 3 and 4 hold run 1's values, which run 1 never wrote; run 2 undid run 1.
        const Setup undoneWithLookalikes = [this](const QString& table) {
            testdb::Exec(user_, QString("INSERT INTO %1 (c) VALUES ('A'), ('B')").arg(table));
            QCOMPARE(run(recase(table, "upper")).status, 0);
            QCOMPARE(run(withProfile({"undo"})).status, 0);
        };
        // Rows journalled as written whose group never committed (killed before its commit).
        const Setup neverCommitted = [this](const QString& table) {
            journal::RunHeader header;
            header.sid = user_.profile().sid;
            header.user = user_.name;
            header.table = table;
            header.column = "c";
            header.keyColumn = "id";
            header.keyType = "integer";
            std::vector<journal::Entry> entries{
                {0, "0:(0,1)", {}, QVariant("a"), "A", journal::EntryState::Pending, "c"},
                {1, "0:(0,2)", {}, QVariant("b"), "B", journal::EntryState::Pending, "c"}};
            const std::unique_ptr<journal::RunJournal> journal =
                journal::RunJournal::Create(header);
            journal->AppendPending(entries);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                entries[i].state = journal::EntryState::Written;
                entries[i].idAfter = QString("=%1").arg(i + 1);
            }
            journal->Settle(entries);
        };
        const QStringList undo1{"undo", "1"};
        const QStringList runs{"runs"};
        QTest::newRow("pruned while its run goes on")
            << 30000 << pruneMeanwhile << undo1 << 0 << "read 30000, written 30000"
            << "before" << 3;
        QTest::newRow("undo after a row refused at COMMIT")
            << 3000 << refusedAtCommit << undo1 << 0
            << "written 2999, unchanged 1, refused 0, left 0"
            << "" << 2;
        QTest::newRow("undo of a run still going")
            << 30000 << pause << undo1 << 2 << "Run 1 is still going"
            << "" << 1;
        QTest::newRow("runs: a run still going")
            << 30000 << pause << runs << 0 << "journalled [1-9].*\\(running\\)"
            << "" << 1;
        QTest::newRow("runs: a killed run")
            << 30000 << kill << runs << 0
            << "journalled [1-9]\\d*: written [1-9].*\\(did not end: killed or closed mid-way"
            << "" << 1;
        QTest::newRow("undo of a damaged journal")
            << 5000 << damage << undo1 << 2
            << "damaged: the entry of row 2499 does not match its checksum"
            << "converted" << 1;
        QTest::newRow("undo of a journal missing an outcome")
            << 5000 << outcomeRemoved << undo1 << 2
            << "damaged: its group 3 holds 999 of its 1000 outcomes"
            << "converted" << 1;
        QTest::newRow("runs: a journal missing an outcome")
            << 5000 << outcomeRemoved << runs << 0 << "DAMAGED: its group 3 holds 999"
            << "converted" << 1;
        QTest::newRow("runs: a damaged journal")
            << 5000 << damage << runs << 0 << "DAMAGED: the entry of row 2499"
            << "converted" << 1;
        QTest::newRow("twenty later runs on other tables")
            << 0 << twentyOthers << undo1 << 0 << "written 2"
            << "before" << 23;
        QTest::newRow("undo twice") << 0 << undone << QStringList{"undo"} << 2 << "Nothing to undo"
                                    << "before" << 2;
        QTest::newRow("undo after a run that wrote nothing")
            << 0 << twice << QStringList{"undo"} << 0 << "Undoing run 1"
            << "before" << 3;
        QTest::newRow("runs: an undo stopped midway")
            << 30000 << undoStopped << runs << 0
            << "^2  .*undo of 1  read [1-9]\\d*, .*\\(stopped before its end.*\\n"
               "1  .*  partly undone by 2\\n"
            << "" << 2;
        QTest::newRow("undo after an undo stopped midway")
            << 30000 << undoStopped << QStringList{"undo"} << -1 << "Undoing run 1"
            << "before" << 3;
        QTest::newRow("undo of an undo, by its number")
            << 0 << undone << QStringList{"undo", "2"} << 0 << "written 2"
            << "converted" << 3;
        QTest::newRow("undo of a keyed row edited since, another row holding its value")
            << 0 << editedSince << undo1 << 1 << "written 0, unchanged 0, refused 0, left 1"
            << "Abc-edited,ABC" << 2;
        QTest::newRow("undo after TRUNCATE and the values re-inserted swapped")
            << 0 << swappedAfterTruncate << undo1 << 1
            << "written 0, unchanged 0, refused 0, left 2"
            << "B,A" << 2;
        QTest::newRow("undo of a run undone already, by its number")
            << 0 << undoneWithLookalikes << undo1 << 0
            << "written 0, unchanged 2, refused 0, left 0"
            << "a,b,A,B" << 3;
        QTest::newRow("undo of rows written but never committed")
            << 0 << neverCommitted << undo1 << 0 << "written 0, unchanged 2, refused 0, left 0"
            << "before" << 2;
        QTest::newRow("undo by another user")
            << 0 << Setup()
            << undo1 + QStringList{"--sid", user_.profile().sid, "--user", "intruder"} << 2
            << "The run was made by"
            << "converted" << 1;
        const Setup compositeKey = [this](const QString& table) {
            testdb::Exec(user_, QString("ALTER TABLE %1 DROP CONSTRAINT %1_pkey, ADD PRIMARY "
                                        "KEY (id, c)")
                                    .arg(table));
        };
        // The folder and run 1's journal are nobody's, the folder read-only; nobody lists it.
        const Setup readOnly = [this](const QString& table) {
            QCOMPARE(run(recase(table, "upper")).status, 0);
            const QString folder = journal::RunJournal::Folder();
            for (const QString& name : QDir(folder).entryList(QDir::Files))
                QCOMPARE(::chown(QFile::encodeName(folder + "/" + name), Nobody, Nobody), 0);
            QCOMPARE(::chown(QFile::encodeName(folder), Nobody, Nobody), 0);
            QCOMPARE(::chmod(QFile::encodeName(folder), 0500), 0);
            asNobody_ = true;
        };
        QTest::newRow("runs: a read-only journal folder")
            << 0 << readOnly << runs << 0 << "^1  .*UPPER CASE  read 2, written 2"
            << "converted" << 1;
        QTest::newRow("composite primary key")
            << 0 << compositeKey << recase("TABLE", "upper") << 0
            << "The table's primary key has several columns: its undo finds rows by their "
               "addresses"
            << "converted" << 1;
        QTest::newRow("forget") << 0 << Setup() << QStringList{"forget", "1"} << 0
                                << "Forgot run 1\\."
                                << "converted" << 0;
    }
    void journalFaults() {
        QFETCH(int, rows);
        QFETCH(Setup, setup);
        QFETCH(QStringList, call);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, table);
        QFETCH(int, journals);
        const QString name = rows > 0 ? makeLongTable(rows) : makeTable({"a", "b"});
        const QStringList before = column(name);
        if (setup)
            setup(name);
        else
            QCOMPARE(run(recase(name, "upper")).status, 0);
        if (QTest::currentTestFailed())
            return;
        if (call.first() == "undo" && !call.contains("--user"))
            call = withProfile(call);
        call.replaceInStrings(QRegularExpression("^TABLE$"), name);

        const Outcome outcome = run(call);
        const QString shown = outcome.out + outcome.errLines.join('\n');
        if (status >= 0)
            QCOMPARE(outcome.status, status);
        QVERIFY2(shown.contains(QRegularExpression(message)), qPrintable(shown));
        if (table == "before")
            QCOMPARE(column(name), before);
        if (table == "converted") {
            QStringList converted;
            for (const QString& value : before)
                converted.append(value.toUpper());
            QCOMPARE(column(name), converted);
        }
        if (table.contains(','))
            QCOMPARE(column(name).join(','), table);
        QCOMPARE(JournalCount(), journals);
    }

    // Name Case from the command line: the dry run shows it, the run writes it with the
    // exceptions file's spellings and journals it as "Name Case", and the undo restores.
    void nameCaseRunsAndUndoes() {
        const QStringList values{"O'BRIEN, MARY", "LUDWIG VAN BEETHOVEN", "PO BOX 4", QString(),
                                 "McDonald"};
        const QStringList named{"O'Brien, Mary", "Ludwig van Beethoven", "PO Box 4", QString(),
                                "McDonald"};
        const QString table = makeTable(values);
        const QString words = QDir::temp().filePath("recap-name-exceptions.txt");
        QFile file(words);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("  PO\n\n");
        file.close();
        const QStringList names = recase(table, "names") + QStringList{"--exceptions", words};

        const Outcome dry = run(names + QStringList{"--dry-run"});
        QCOMPARE(dry.status, 0);
        QCOMPARE(dry.out, QString("would change 3 of 5 rows read\n"
                                  "O'BRIEN, MARY -> O'Brien, Mary\n"
                                  "LUDWIG VAN BEETHOVEN -> Ludwig van Beethoven\n"
                                  "PO BOX 4 -> PO Box 4\n"));
        QCOMPARE(column(table), values);

        QCOMPARE(run(names).status, 0);
        QFile::remove(words);
        QCOMPARE(column(table), named);
        const Outcome runs = run({"runs"});
        QVERIFY2(runs.out.contains(table + ".c  Name Case"), qPrintable(runs.out));
        QCOMPARE(run({"undo"}).status, 0);
        QCOMPARE(column(table), values);
    }

    void dryRunWritesNothing() {
        // Control characters reach the terminal escaped: ESC, BEL, DEL, CSI (C1).
        const QStringList values{"Already", "lower", "UPPER", "two\nlines",
                                 QString::fromUtf8("x\x1b[2J\x07\x7f\u009b1m")};
        const QString table = makeTable(values);
        const Outcome outcome = run(recase(table, "proper") + QStringList{"--dry-run"});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.out,
                 QString("would change 4 of 5 rows read\n"
                         "lower -> Lower\nUPPER -> Upper\ntwo\\nlines -> Two\\nlines\n"
                         "x\\x1b[2J\\x07\\x7f\\x9b1m -> X\\x1b[2j\\x07\\x7f\\x9b1m\n"));
        QCOMPARE(column(table), values);
        QCOMPARE(JournalCount(), 0);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
