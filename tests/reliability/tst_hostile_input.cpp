#include "change/undo_run.h"
#include "cli/summary.h"
#include "db/connection.h"
#include "db/oracle.h"
#include "db/recordset.h"
#include "recording_host.h"
#include "support/test_database.h"
#include "table_state.h"

#include <QTest>

using namespace reliability;
using Case::CaseMode;

// Unusual and hostile input: connection fields that could split the connection string or
// overflow a buffer, names that need quoting, values with every awkward character, and
// columns that do not hold text. Nothing may crash, connect as anyone but the named user,
// lose or corrupt a byte, or change what it was not asked to change.
class HostileInput : public QObject {
    Q_OBJECT

    testdb::User user_;
    testdb::User odd_;   // a name with spaces at both ends, quotes and non-ASCII
    testdb::User long_;  // a password of 10,000 characters
    testdb::User limit_; // a password that makes the ODBC string 32,767 bytes, the most
    testdb::User equal_; // a name with '=' (not quoted), a password with ';' and '}'
    int tables_ = 0;

    static testdb::User makeRole(const QString& name, const QString& password) {
        testdb::Exec(
            testdb::Admin(),
            QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2").arg(Ident(name), Literal(password)));
        return {name, password};
    }

    // The user a connection opened with the string logs in as.
    static QString loggedInAs(const QString& connectionString) {
        db::Connection connection;
        connection.Open(connectionString);
        db::Recordset records;
        records.Open(QStringLiteral("SELECT session_user"), connection);
        return records.GetFields()[0].Value().toString();
    }

    RecordingHost hostFor(const QString& table, const QString& column) {
        RecordingHost host;
        host.profile = user_.profile();
        host.table = table;
        host.field = column;
        return host;
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser(QStringLiteral("hostile"));
        testdb::Exec(testdb::Admin(), "CREATE EXTENSION IF NOT EXISTS citext SCHEMA public");
        testdb::Exec(user_, "CREATE COLLATION ci (provider = icu, locale = 'und-u-ks-level2', "
                            "deterministic = false)");
        const QString pid = QString::number(QCoreApplication::applicationPid());
        odd_ = makeRole(QStringLiteral(" Zoë O'Brien \"q\" ") + pid,
                        QStringLiteral("it's \"quoted\" {a;b=c} ünï 😀"));
        long_ = makeRole(QStringLiteral("long_password_") + pid, QString(10000, QChar('k')));
        const QString limitName = QStringLiteral("limit_") + pid;
        const qsizetype rest =
            32767 - OdbcConnectionString({user_.profile().sid, limitName, {}}).toUtf8().size();
        limit_ = makeRole(limitName, QString(rest, QChar('L')));
        equal_ = makeRole(QStringLiteral("aud=x=") + pid, QStringLiteral("p;a}ss"));
    }

    void cleanupTestCase() {
        testdb::Exec(
            testdb::Admin(),
            QStringLiteral("DROP ROLE %1; DROP ROLE %2; DROP ROLE %3; DROP ROLE %4")
                .arg(Ident(odd_.name), Ident(long_.name), Ident(limit_.name), Ident(equal_.name)));
    }

    // Both connection paths give the same answer, and one that opens is the named user's.
    void connectionFields_data() {
        QTest::addColumn<ConnectionProfile>("profile");
        QTest::addColumn<QString>("loggedInAs"); // empty: no connection
        const testdb::User admin = testdb::Admin();
        const QString adminPair = QStringLiteral("Uid=%1;Pwd=%2").arg(admin.name, admin.password);
        const ConnectionProfile plain = user_.profile();
        const QString huge(10000, QChar('x'));
        QTest::newRow("plain") << plain << user_.name;
        QTest::newRow("user name with outer spaces, quotes, non-ASCII; password with all four")
            << odd_.profile() << odd_.name;
        QTest::newRow("that user name trimmed")
            << ConnectionProfile{plain.sid, odd_.name.trimmed(), odd_.password} << QString();
        QTest::newRow("user name with '=', password with ';' and '}'")
            << equal_.profile() << equal_.name;
        QTest::newRow("password of 10,000 characters") << long_.profile() << long_.name;
        QTest::newRow("that password one character short")
            << ConnectionProfile{plain.sid, long_.name, long_.password.chopped(1)} << QString();
        QTest::newRow("SID carries the administrator's pair")
            << ConnectionProfile{plain.sid + ";" + adminPair, "nobody", "x"} << QString();
        QTest::newRow("user name carries the administrator's pair")
            << ConnectionProfile{plain.sid, admin.name + ";Pwd=" + admin.password, "x"}
            << QString();
        QTest::newRow("password carries the administrator's pair")
            << ConnectionProfile{plain.sid, user_.name, "wrong;" + adminPair} << QString();
        QTest::newRow("password closes a brace early")
            << ConnectionProfile{plain.sid, user_.name, "x};" + adminPair + ";{"} << QString();
        QTest::newRow("SID of 10,000 characters")
            << ConnectionProfile{huge, user_.name, user_.password} << QString();
        QTest::newRow("user name of 10,000 characters")
            << ConnectionProfile{plain.sid, huge, user_.password} << QString();
        QTest::newRow("ODBC string of 32,767 bytes, the most the driver takes")
            << limit_.profile() << limit_.name;
        QTest::newRow("one byte more")
            << ConnectionProfile{plain.sid, limit_.name, limit_.password + "L"} << QString();
        QTest::newRow("past the most in bytes, not in characters")
            << ConnectionProfile{plain.sid, user_.name, QString(20000, QChar(0xe9))} << QString();
        QTest::newRow("every field 10,000 separators")
            << ConnectionProfile{QString(10000, ';'), QString(10000, '='), QString(10000, '}')}
            << QString();
    }
    void connectionFields() {
        QFETCH(ConnectionProfile, profile);
        QFETCH(QString, loggedInAs);
        const bool opens = !loggedInAs.isEmpty();
        QCOMPARE(Oracle::CanConnect(profile), opens);
        QCOMPARE(Oracle::ConnectionTestSucceeds(profile), opens);
        if (opens) {
            QCOMPARE(this->loggedInAs(OdbcConnectionString(profile)), loggedInAs);
            QCOMPARE(this->loggedInAs(OleDbConnectionString(profile)), loggedInAs);
        }
    }

    // Names are quoted exactly: the run converts the named column and touches nothing else,
    // not even a table the name seems to mention.
    void awkwardNames_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::newRow("spaces") << " My Table "
                                << "My  Column";
        QTest::newRow("mixed case") << "MiXeD"
                                    << "CoLuMn";
        QTest::newRow("double quotes") << "t \"quoted\" \"\""
                                       << "\"c\"";
        QTest::newRow("non-ASCII") << "Tâblé ünïcødé 表"
                                   << "Çolumn ß 😀";
        QTest::newRow("statement inside") << "x\"; DROP TABLE \"Bystander\"; --"
                                          << "c\" = 'x' --";
    }
    void awkwardNames() {
        QFETCH(QString, table);
        QFETCH(QString, column);
        testdb::Exec(user_, QStringLiteral("DROP TABLE IF EXISTS \"Bystander\";"
                                           "CREATE TABLE \"Bystander\" (id int, c text);"
                                           "INSERT INTO \"Bystander\" VALUES (1, 'quiet');"
                                           "CREATE TABLE %1 (id serial, %2 text, other text);"
                                           "INSERT INTO %1 (%2, other) VALUES "
                                           "('first Value', 'first Value'), ('sécond', 'x')")
                                .arg(Ident(table), Ident(column)));
        const TableState before = ReadTable(user_, table, column);
        RecordingHost host = hostFor(table, column);
        RunChange(host);
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.reports.value(0).first));
        QCOMPARE(host.shown, QStringList({"Done."}));
        const TableState after = ReadTable(user_, table, column);
        QCOMPARE(after.values, Converted(before, CaseMode::Upper).values);
        QCOMPARE(after.others, before.others);
        QCOMPARE(testdb::Column(user_, "SELECT c FROM \"Bystander\""), QStringList({"quiet"}));
    }

    // Every awkward value ends exactly converted, in both kinds of text column;
    // no other column changes by a byte.
    void awkwardValues_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("caseBox");
        QTest::addColumn<int>("mode");
        QTest::newRow("text, proper") << "text"
                                      << "Proper Case" << int(CaseMode::Proper);
        QTest::newRow("varchar(4000), lower") << "varchar(4000)"
                                              << "lower case" << int(CaseMode::Lower);
    }
    void awkwardValues() {
        QFETCH(QString, type);
        QFETCH(QString, caseBox);
        QFETCH(int, mode);
        const QStringList values = {
            "it's O'Brien's ''twice''",
            "back\\slash \\' \\\\ end\\",
            "100% of a_b, _%_ and %%",
            "cr\ronly, lf\nonly, crlf\r\nboth",
            "tab\tin\tthe\tmiddle\t",
            QString::fromUtf8("emoji 😀 mixed 🎉 Ünïcödé ΑΒΓ ß straße"),
            QString::fromUtf8("combining e\u0301 a\u0308 lone \u0301 zwj 👩\u200d💻"),
            "     ",
            "",
            QString(),
            QString(3999, QChar('m')) + "Z",
            "semi;colon {brace} \"dq\" & <tag> $1 $$ --",
        };
        const QString table = QStringLiteral("values %1").arg(++tables_);
        QString sql = QStringLiteral("CREATE TABLE %1 (id serial PRIMARY KEY, c %2, "
                                     "other text, n numeric, d date, b bytea);")
                          .arg(Ident(table), type);
        for (const QString& value : values) {
            const QString literal = value.isNull() ? QStringLiteral("NULL") : Literal(value);
            sql += QStringLiteral("INSERT INTO %1 (c, other, n, d, b) VALUES "
                                  "(%2, %2, 12.50, '2024-02-29', convert_to(%2, 'UTF8'));")
                       .arg(Ident(table), literal);
        }
        testdb::Exec(user_, sql);
        const TableState before = ReadTable(user_, table, QStringLiteral("c"));
        QCOMPARE(before.values, values);

        RecordingHost host = hostFor(table, QStringLiteral("c"));
        host.caseBox = caseBox;
        RunChange(host);
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.reports.value(0).first));
        QCOMPARE(host.shown, QStringList({"Done."}));
        const TableState after = ReadTable(user_, table, QStringLiteral("c"));
        QCOMPARE(after.values, Converted(before, CaseMode(mode)).values);
        QCOMPARE(after.others, before.others);
    }

    // A column that does not hold text is refused with the one message and left exactly as
    // it was, as is the rest of the table.
    void columnsWithoutText_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        QTest::newRow("integer") << "integer"
                                 << "42";
        QTest::newRow("number") << "numeric(12,3)"
                                << "-1234.500";
        QTest::newRow("floating point") << "double precision"
                                        << "1e-300";
        QTest::newRow("date") << "date"
                              << "2024-02-29";
        QTest::newRow("date and time") << "timestamp with time zone"
                                       << "2024-01-31 23:59:58+02";
        QTest::newRow("binary") << "bytea"
                                << "\\x00ff4127";
        QTest::newRow("boolean") << "boolean"
                                 << "true";
    }
    void columnsWithoutText() {
        QFETCH(QString, type);
        QFETCH(QString, value);
        const QString table = QStringLiteral("typed %1").arg(++tables_);
        testdb::Exec(user_, QStringLiteral("CREATE TABLE %1 (id serial PRIMARY KEY, c %2, "
                                           "other text);"
                                           "INSERT INTO %1 (c, other) VALUES (%3, 'Mixed'), "
                                           "(NULL, 'Mixed')")
                                .arg(Ident(table), type, Literal(value)));
        const TableState before = ReadTable(user_, table, QStringLiteral("c"));
        const QString whole = QStringLiteral("SELECT md5(string_agg(t::text, '|' ORDER BY id)) "
                                             "FROM %1 AS t")
                                  .arg(Ident(table));
        const QStringList digest = testdb::Column(user_, whole);
        RecordingHost host = hostFor(table, QStringLiteral("c"));
        RunChange(host);
        QCOMPARE(host.shown,
                 QStringList({"The selected field does not hold text; nothing was changed."}));
        QVERIFY(host.reports.isEmpty());
        QCOMPARE(ReadTable(user_, table, QStringLiteral("c")).values, before.values);
        QCOMPARE(testdb::Column(user_, whole), digest);
    }

    // Tables and columns that a run must either write exactly or refuse before its first
    // write: what the run reports, what the command line's exit status says, what the table
    // holds afterwards, and what undo then restores. Each table "h<N>" (id serial PRIMARY KEY,
    // c <type>) holds `rows` values "row N mIxed" plus the listed ones; `during` runs through
    // another session at the run's first row, `between` after the run (a statement at a time).
    void hostileTables_data() {
        QTest::addColumn<QString>("setup"); // {t}, {u}; after the table exists
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<int>("rows");
        // Run on this column of {t} (several: "a,b", all selected), or on {t}_v when "view".
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("caseBox");
        QTest::addColumn<QString>("shown");        // the messages, '|' between them; {t}
        QTest::addColumn<QList<qint64>>("counts"); // read, written, altered, refused, left
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("after"); // the values by id, or "query => its one value"
        QTest::addColumn<QString>("between");
        // The undo's written, unchanged, refused, left (none: no undo); it restores every value
        // where nothing ran between, else writes nothing.
        QTest::addColumn<QList<qint64>>("undo");
        const QString done = ChangeMessages::Done, upper = "UPPER CASE";
        using Counts = QList<qint64>;
        // The one message before "Done." of a run that refused or left rows.
        const auto notChanged = [&](int rows, const QString& parts) {
            return QString("%1 not changed: %2.|%3")
                .arg(rows == 1 ? "1 row was" : QString("%1 rows were").arg(rows), parts, done);
        };
        const QString meanwhile = "changed by another session since they were read";
        const Counts none;
        QTest::newRow("trigger changes the value on its way in")
            << "CREATE FUNCTION {t}_low() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.c = "
               "upper(NEW.c) THEN NEW.c := lower(NEW.c); END IF; RETURN NEW; END $$; CREATE "
               "TRIGGER low BEFORE UPDATE ON {t} FOR EACH ROW EXECUTE FUNCTION {t}_low()"
            << "text" << QStringList{"abc", "Def"} << 0 << "c"
            << "" << upper << QString(ChangeMessages::Altered).arg(2) + "|" + done
            << Counts{2, 0, 2, 0, 0} << 1 << "abc,def"
            << "" << Counts{2, 0, 0, 0};
        QTest::newRow("check constraint refuses the first three rows")
            << "ALTER TABLE {t} ADD CHECK (id > 3 OR c <> upper(c))"
            << "text" << QStringList() << 1000 << "c"
            << "" << upper
            << notChanged(3, "3 refused by the database (first reason: ERROR: new row for relation "
                             "\"{t}\" violates check constraint \"{t}_check\")")
            << Counts{1000, 997, 0, 3, 0} << 1
            << "SELECT count(*) FROM {t} WHERE c = upper(c) => 997"
            << "" << none;
        QTest::newRow("deferred constraint refuses one row at COMMIT, the rest of its group lands")
            << "ALTER TABLE {t} ADD UNIQUE (c) DEFERRABLE INITIALLY DEFERRED"
            << "text" << QStringList{"ROW 5 MIXED"} << 1000 << "c"
            << "" << upper
            << notChanged(1, "1 refused by the database (first reason: ERROR: duplicate key value "
                             "violates unique constraint \"{t}_c_key\")")
            << Counts{1001, 999, 0, 1, 0} << 1
            << "SELECT count(*) FROM {t} WHERE c = upper(c) => 1000"
            << "" << Counts{999, 1, 0, 0};
        QTest::newRow("every row of a group changed meanwhile")
            << ""
            << "text" << QStringList() << 30 << "c"
            << "UPDATE {t} SET c = 'Theirs'" << upper << notChanged(30, "30 " + meanwhile)
            << Counts{30, 0, 0, 0, 30} << 1 << "SELECT count(*) FROM {t} WHERE c = 'Theirs' => 30"
            << "" << none;
        QTest::newRow("case-blind collation, row re-cased meanwhile, rows retried one by one")
            << "ALTER TABLE {t} ADD CHECK (c COLLATE \"C\" <> 'BAD')"
            << "text COLLATE ci" << QStringList{"smith", "bad", "jones"} << 0 << "c"
            << "UPDATE {t} SET c = 'Smith' WHERE c = 'smith'" << upper
            << notChanged(2, "1 refused by the database (first reason: ERROR: new row for relation "
                             "\"{t}\" violates check constraint \"{t}_c_check\"), 1 " +
                                 meanwhile)
            << Counts{3, 1, 0, 1, 1} << 1 << "Smith,bad,JONES"
            << "" << none;
        QTest::newRow("row-level security refuses every row")
            << "ALTER TABLE {t} ENABLE ROW LEVEL SECURITY; ALTER TABLE {t} FORCE ROW LEVEL "
               "SECURITY; CREATE POLICY p ON {t} USING (true) WITH CHECK (c <> upper(c))"
            << "text" << QStringList() << 6 << "c"
            << "" << upper
            << notChanged(6, "6 refused by the database (first reason: ERROR: new row violates "
                             "row-level security policy for table \"{t}\")")
            << Counts{6, 0, 0, 6, 0} << 1 << "SELECT count(*) FROM {t} WHERE c = upper(c) => 0"
            << "" << none;
        QTest::newRow("citext, row re-cased meanwhile")
            << ""
            << "citext" << QStringList{"smith", "jones"} << 0 << "c"
            << "UPDATE {t} SET c = 'Smith' WHERE c = 'smith'" << upper
            << notChanged(1, "1 " + meanwhile) << Counts{2, 1, 0, 0, 1} << 1 << "Smith,JONES"
            << "" << none;
        QTest::newRow("case-blind collation, written by value (column privileges only)")
            << "REVOKE ALL ON {t} FROM {u}; GRANT SELECT (id, c), UPDATE (c) ON {t} TO {u}"
            << "text COLLATE ci" << QStringList{"smith", "jones"} << 0 << "c"
            << "UPDATE {t} SET c = 'Smith' WHERE c = 'smith'" << upper
            << notChanged(1, "1 " + meanwhile) << Counts{2, 1, 0, 0, 1} << 1 << "Smith,JONES"
            << "" << none;
        QTest::newRow("values of 40,000 characters")
            << ""
            << "text" << QStringList{QString(40000, 'a'), "x " + QString(39998, 'B')} << 0 << "c"
            << ""
            << "Proper Case" << done << Counts{2, 2, 0, 0, 0} << 0
            << "SELECT string_agg(left(c, 3) || length(c), ',' ORDER BY id) FROM {t} => Aaa40000,X "
               "B40000"
            << "" << Counts{2, 0, 0, 0};
        QTest::newRow("generated column")
            << "ALTER TABLE {t} ADD g text GENERATED ALWAYS AS (lower(c)) STORED"
            << "text" << QStringList{"Abc"} << 0 << "g"
            << "" << upper << ChangeMessages::Generated << Counts{} << 2 << "Abc"
            << "" << none;
        QTest::newRow("json") << ""
                              << "json" << QStringList{"\"abc\""} << 0 << "c"
                              << "" << upper << ChangeMessages::NotText << Counts{} << 2
                              << "\"abc\""
                              << "" << none;
        QTest::newRow("array of text")
            << ""
            << "text[]" << QStringList{"{abc}"} << 0 << "c"
            << "" << upper << ChangeMessages::NotText << Counts{} << 2 << "{abc}"
            << "" << none;
        QTest::newRow("view") << "CREATE VIEW {t}_v AS SELECT * FROM {t}"
                              << "text" << QStringList{"abc"} << 0 << "view"
                              << "" << upper << ChangeMessages::NotATable << Counts{} << 2 << "abc"
                              << "" << none;
        QTest::newRow("a selected field without text is left")
            << "ALTER TABLE {t} ADD n integer DEFAULT 7"
            << "text" << QStringList{"abc"} << 0 << "c,n"
            << "" << upper
            << QString(ChangeMessages::FieldsLeft).arg("n (does not hold text)") + "|" + done
            << Counts{1, 1, 0, 0, 0} << 1 << "ABC"
            << "" << none;
        QTest::newRow("row-level security withholds two rows from the update")
            << "ALTER TABLE {t} ENABLE ROW LEVEL SECURITY; ALTER TABLE {t} FORCE ROW LEVEL "
               "SECURITY; CREATE POLICY r ON {t} FOR SELECT USING (true); CREATE POLICY w ON {t} "
               "FOR UPDATE USING (id > 2)"
            << "text" << QStringList{"abc", "def", "ghi"} << 0 << "c"
            << "" << upper
            << notChanged(2, "2 refused by the database (first reason: A row-level security "
                             "policy withheld the row from the update)")
            << Counts{3, 1, 0, 2, 0} << 1 << "abc,def,GHI"
            << "" << Counts{1, 2, 0, 0};
        QTest::newRow("no primary key: rows moved since, newcomers took their addresses")
            << "ALTER TABLE {t} DROP CONSTRAINT {t}_pkey"
            << "text" << QStringList() << 40 << "c"
            << "" << upper << done << Counts{40, 40, 0, 0, 0} << 0
            << "SELECT count(*) FROM {t} WHERE c = upper(c) => 40"
            << "UPDATE {t} SET id = id + 1000; VACUUM {t}; INSERT INTO {t} (id, c) SELECT g, "
               "'ROW ' || g || ' MIXED' FROM generate_series(1, 40) g"
            << Counts{0, 0, 0, 40};
        QTest::newRow("no update privilege")
            << "REVOKE UPDATE ON {t} FROM {u}"
            << "text" << QStringList{"abc"} << 0 << "c"
            << "" << upper << ChangeMessages::MayNotUpdate << Counts{} << 2 << "abc"
            << "" << none;
    }
    void hostileTables() {
        QFETCH(QString, setup);
        QFETCH(QString, type);
        QFETCH(QStringList, values);
        QFETCH(int, rows);
        QFETCH(QString, column);
        QFETCH(QString, during);
        QFETCH(QString, caseBox);
        QFETCH(QString, shown);
        QFETCH(QList<qint64>, counts);
        QFETCH(int, exit);
        QFETCH(QString, after);
        QFETCH(QString, between);
        QFETCH(QList<qint64>, undo);
        const QString table = QStringLiteral("h%1").arg(++tables_);
        const auto sql = [&](QString text) {
            return text.replace("{t}", table).replace("{u}", Ident(user_.name));
        };
        QString make =
            QStringLiteral("CREATE TABLE %1 (id serial PRIMARY KEY, c %2);").arg(table, type);
        if (rows > 0)
            make += QStringLiteral("INSERT INTO %1 (c) SELECT 'row ' || g || ' mIxed' FROM "
                                   "generate_series(1, %2) g;")
                        .arg(table)
                        .arg(rows);
        for (const QString& value : values)
            make += QStringLiteral("INSERT INTO %1 (c) VALUES (%2);").arg(table, Literal(value));
        testdb::Exec(user_, make + sql(setup));
        const QString all = sql("SELECT string_agg(c::text, ',' ORDER BY id) FROM {t}");
        const QStringList query = after.startsWith("SELECT") ? after.split(" => ") : QStringList();
        const QStringList before = testdb::Column(user_, all);

        RecordingHost host = hostFor(column == "view" ? table + "_v" : table,
                                     column == "view" ? "c" : column.section(',', 0, 0));
        if (column.contains(','))
            host.selected = column.split(',');
        host.caseBox = caseBox;
        host.onYield = [&](int yields) {
            if (yields == 1 && !during.isEmpty())
                testdb::Exec(user_, sql(during));
        };
        const RunSummary summary = RunChange(host);
        QVERIFY2(host.reports.size() == (counts.isEmpty() ? 0 : counts[3]),
                 qPrintable(host.describeReports()));
        QCOMPARE(host.shown.join('|'), sql(shown));
        if (!counts.isEmpty())
            QCOMPARE((QList<qint64>{summary.rows.read, summary.rows.written, summary.altered,
                                    summary.rows.refused, summary.rows.left}),
                     counts);
        QCOMPARE(int(cli::ExitStatusOf(summary)), exit);
        QCOMPARE(testdb::Column(user_, query.isEmpty() ? all : sql(query[0])).value(0),
                 query.isEmpty() ? after : query[1]);
        if (undo.isEmpty())
            return;
        for (const QString& statement : sql(between).split("; ", Qt::SkipEmptyParts))
            testdb::Exec(user_, statement);
        const QStringList undone = between.isEmpty() ? before : testdb::Column(user_, all);
        RecordingHost undoHost = hostFor(table, column);
        const RunSummary restored = UndoRun(undoHost);
        QVERIFY2(restored.completed, qPrintable(restored.failure));
        QCOMPARE((QList<qint64>{restored.rows.written, restored.rows.unchanged,
                                restored.rows.refused, restored.rows.left}),
                 undo);
        QCOMPARE(testdb::Column(user_, all), undone);
    }
};

QTEST_GUILESS_MAIN(HostileInput)
#include "tst_hostile_input.moc"
