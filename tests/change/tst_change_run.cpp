#include "casing/case_rules.h"
#include "change/group_writer.h"
#include "change/journal_header.h"
#include "change/row_source.h"
#include "change/undo_run.h"
#include "db/dialect/catalogue.h"
#include "db/dialect/oracle.h"
#include "journal/run_journal.h"
#include "recording_host.h"
#include "support/test_database.h"

#include <QScopeGuard>
#include <QTest>
#include <cmath>
#include <csignal>
#include <sys/resource.h>

using Case::CaseMode;

class ChangeRunTest : public QObject {
    Q_OBJECT

    testdb::User user_;
    int tables_ = 0;

    // A table "t<N>" (id serial, c text, other text) holding the values in order; "other"
    // holds a copy of each value to show that no other column changes.
    QString makeTable(const QStringList& values, const QString& extra = {}) {
        const QString table = QString("t%1").arg(++tables_);
        QString sql = QString("CREATE TABLE \"%1\" (id serial PRIMARY KEY, c text, other text%2);")
                          .arg(table, extra);
        for (const QString& value : values)
            sql += QString("INSERT INTO \"%1\" (c, other) VALUES (%2, %2);")
                       .arg(table, testdb::Literal(value));
        testdb::Exec(user_, sql);
        return table;
    }

    QStringList column(const QString& table, const QString& name = "c") {
        return testdb::Column(user_,
                              QString("SELECT \"%1\" FROM \"%2\" ORDER BY id").arg(name, table));
    }

    RecordingHost hostFor(const QString& table, const QString& caseBox = "UPPER CASE") {
        RecordingHost host;
        host.profile = user_.profile();
        host.table = table;
        host.field = "c";
        host.caseBox = caseBox;
        return host;
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser("change");
    }

    // The whole conversation of a run over three rows in upper case.
    void threeRowsInUpperCase() {
        const QString table = makeTable({"alpha", "Beta", "gAMMA"});
        testdb::Exec(user_, QString(R"(
            CREATE TABLE log (n serial, old text, new text);
            CREATE FUNCTION log_update() RETURNS trigger LANGUAGE plpgsql AS
              $$ BEGIN INSERT INTO log (old, new) VALUES (OLD.c, NEW.c); RETURN NEW; END $$;
            CREATE TRIGGER logged BEFORE UPDATE ON "%1" FOR EACH ROW EXECUTE FUNCTION log_update();)")
                                .arg(table));
        RecordingHost host = hostFor(table);
        host.preview = {"alpha", "Beta", "gAMMA"};
        RunChange(host);

        QCOMPARE(column(table), QStringList({"ALPHA", "BETA", "GAMMA"}));
        QCOMPARE(column(table, "other"), QStringList({"alpha", "Beta", "gAMMA"}));
        QCOMPARE(testdb::Column(user_, "SELECT old || '>' || new FROM log ORDER BY n"),
                 QStringList({"alpha>ALPHA", "Beta>BETA", "gAMMA>GAMMA"}));
        // The bar follows the rows the database confirmed: all three at once, in one group.
        QCOMPARE(host.progress, QList<double>({0.0, 0.0, 0.0, 100.0, 0.0}));
        QCOMPARE(host.progressTexts, QStringList({"Progress Bar"}));
        QCOMPARE(host.busy, QList<bool>({true, false}));
        QCOMPARE(host.yields, 4); // once per row and once after the loop
        QCOMPARE(host.recased, QList<CaseMode>({CaseMode::Upper}));
        QCOMPARE(host.preview, QStringList({"ALPHA", "BETA", "GAMMA"}));
        QCOMPARE(host.shown, QStringList({"Done."}));
        QVERIFY(host.reports.isEmpty());
    }

    // Every row ends as exactly the client-side conversion of its old value, also where the
    // values fill one or more of the read's blocks (256 rows) or end just past one.
    void valuesEndAsTheirConversion_data() {
        QTest::addColumn<QString>("caseBox");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rows"); // the values repeated up to this many rows
        QTest::newRow("upper") << "UPPER CASE" << int(CaseMode::Upper) << 0;
        QTest::newRow("lower") << "lower case" << int(CaseMode::Lower) << 0;
        QTest::newRow("proper") << "Proper Case" << int(CaseMode::Proper) << 0;
        QTest::newRow("sentence") << "Sentence case" << int(CaseMode::Sentence) << 0;
        QTest::newRow("upper, a row short of a block")
            << "UPPER CASE" << int(CaseMode::Upper) << 255;
        QTest::newRow("lower, one block") << "lower case" << int(CaseMode::Lower) << 256;
        QTest::newRow("proper, a row past a block")
            << "Proper Case" << int(CaseMode::Proper) << 257;
        QTest::newRow("upper, two blocks") << "UPPER CASE" << int(CaseMode::Upper) << 512;
    }
    void valuesEndAsTheirConversion() {
        QFETCH(QString, caseBox);
        QFETCH(int, mode);
        QFETCH(int, rows);
        QStringList values = {
            "it's",
            "a''b",
            QString(),
            "",
            "line one\r\nline TWO\tand\ttabs",
            "back\\slash 100% a_b & \"dq\"",
            QString::fromUtf8("élan ÉCOLE straße ΑΒΓ δέλτα ς 😀 emoji e\u0301"),
            "   ",
            QString(4000, QChar('m')) + "X",
            "same value",
            "same value",
            // Several times the read's widest buffer (4,096 UTF-16 units).
            QString::fromUtf8("aé😀 ").repeated(5000) + "Z",
        };
        for (qsizetype next = 0; values.size() < rows; ++next)
            values.append(values[next]);
        const QString table = makeTable(values);
        RecordingHost host = hostFor(table, caseBox);
        RunChange(host);
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.reports.value(0).first));
        QStringList expected;
        for (const QString& value : values)
            expected.append(value.isNull() ? value : Case::Convert(CaseMode(mode), value));
        QCOMPARE(column(table), expected);
        QCOMPARE(column(table, "other"), values);
        QCOMPARE(host.shown, QStringList({"Done."}));
    }

    // A value that stands inside a longer one is not rewritten there.
    void valuesInsideLongerValuesAreLeftAlone_data() {
        QTest::addColumn<QString>("caseBox");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("a and banana")
            << "UPPER CASE" << QStringList{"a", "banana"} << QStringList{"A", "BANANA"};
        QTest::newRow("ab and ab cd")
            << "Proper Case" << QStringList{"ab", "ab cd"} << QStringList{"Ab", "Ab Cd"};
    }
    void valuesInsideLongerValuesAreLeftAlone() {
        QFETCH(QString, caseBox);
        QFETCH(QStringList, values);
        QFETCH(QStringList, expected);
        const QString table = makeTable(values);
        RecordingHost host = hostFor(table, caseBox);
        RunChange(host);
        QCOMPARE(column(table), expected);
    }

    // A refusal by the database is the row's own: reported at the row's step, and the run
    // goes on.
    void refusals_data() {
        QTest::addColumn<QString>("setup"); // with {t} and {u}
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("reports");
        QTest::newRow("check constraint") << "ALTER TABLE {t} ADD CHECK (c <> 'TWO')"
                                          << QStringList{"ONE", "two", "THREE", "FOUR"} << 1;
        QTest::newRow("row-level security")
            << "ALTER TABLE {t} ENABLE ROW LEVEL SECURITY; ALTER TABLE {t} FORCE ROW LEVEL "
               "SECURITY; CREATE POLICY p ON {t} USING (true) WITH CHECK (c NOT IN ('TWO', "
               "'FOUR'))"
            << QStringList{"ONE", "two", "THREE", "four"} << 2;
        QTest::newRow("unique index")
            << "INSERT INTO {t} (c) VALUES ('THREE'); CREATE UNIQUE INDEX ON {t} (c)"
            << QStringList{"ONE", "TWO", "three", "FOUR", "THREE"} << 1;
        QTest::newRow("column privileges only")
            << "REVOKE ALL ON {t} FROM {u}; GRANT SELECT (id, c), UPDATE (c) ON {t} TO {u}"
            << QStringList{"ONE", "TWO", "THREE", "FOUR"} << 0;
    }
    void refusals() {
        QFETCH(QString, setup);
        QFETCH(QStringList, expected);
        QFETCH(int, reports);
        const QString table = makeTable({"one", "two", "three", "four"});
        testdb::Exec(user_, QString(setup).replace("{t}", table).replace("{u}", user_.name));
        RecordingHost host = hostFor(table);
        const RunSummary summary = RunChange(host);
        QCOMPARE(column(table), expected);
        QCOMPARE(host.reportedSteps(), QList<int>(reports, 146));
        // One message before "Done." counts them, with the database's reason for the first.
        const QString counted = QString("%1 not changed: %2 refused by the database (first "
                                        "reason: ERROR: ")
                                    .arg(reports == 1 ? "1 row was" : "2 rows were")
                                    .arg(reports);
        QCOMPARE(host.shown.size(), reports ? 2 : 1);
        QVERIFY2(!reports || host.shown[0].startsWith(counted), qPrintable(host.shown[0]));
        QCOMPARE(host.shown.last(), QString("Done."));
        QCOMPARE(summary.rows.refused, qint64(reports));
    }

    // Only rows whose text changes are written, each once (a trigger counts the writes),
    // also in a partitioned table, whose partitions share row addresses.
    void eachChangingRowIsWrittenOnce_data() {
        QTest::addColumn<QString>("create");
        QTest::newRow("plain table") << "CREATE TABLE {t} (id int, c text)";
        QTest::newRow("partitioned table")
            << "CREATE TABLE {t} (id int, c text) PARTITION BY RANGE (id); "
               "CREATE TABLE {t}_low PARTITION OF {t} FOR VALUES FROM (0) TO (1000); "
               "CREATE TABLE {t}_high PARTITION OF {t} FOR VALUES FROM (1000) TO (MAXVALUE)";
    }
    void eachChangingRowIsWrittenOnce() {
        QFETCH(QString, create);
        const QString table = QString("w%1").arg(++tables_);
        testdb::Exec(user_, QString(create + R"(;
            CREATE TABLE IF NOT EXISTS writes (n int);
            TRUNCATE writes;
            CREATE OR REPLACE FUNCTION count_write() RETURNS trigger LANGUAGE plpgsql AS
              $$ BEGIN INSERT INTO writes VALUES (1); RETURN NEW; END $$;
            CREATE TRIGGER counted BEFORE UPDATE ON {t} FOR EACH ROW EXECUTE FUNCTION count_write();
            INSERT INTO {t} SELECT g, 'SMITH' FROM generate_series(1, 300) g;
            INSERT INTO {t} SELECT 1000 + g, 'smith' FROM generate_series(1, 200) g;
            INSERT INTO {t} VALUES (1, NULL), (1001, ''), (2, 'Mixed'), (1002, 'Mixed'))")
                                .replace("{t}", table));
        RecordingHost host = hostFor(table);
        const RunSummary summary = RunChange(host);
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.describeReports()));
        QCOMPARE(testdb::Column(user_, "SELECT count(*) FROM writes"), QStringList({"202"}));
        QCOMPARE(testdb::Column(user_, QString("SELECT count(*) FROM %1 WHERE c = 'SMITH' OR "
                                               "c = 'MIXED'")
                                           .arg(table)),
                 QStringList({"502"}));
        QCOMPARE(summary.rows.read, 504);
        QCOMPARE(summary.rows.written, 202);
        QCOMPARE(summary.rows.unchanged, 302);
        QCOMPARE(summary.rows.left, 0);
    }

    // Blank-padded, varying and unbounded text columns are all converted.
    void everyTextTypeIsConverted_data() {
        QTest::addColumn<QString>("type");
        QTest::newRow("char") << "char(12)";
        QTest::newRow("varchar") << "varchar(12)";
        QTest::newRow("text") << "text";
    }
    void everyTextTypeIsConverted() {
        QFETCH(QString, type);
        // The last value takes more UTF-16 units than the column's width in characters.
        const QString table = makeTable({"abc", "it's x", "   ", QString::fromUtf8("😀 ÉLAN 😀😀😀😀")},
                                        ", typed " + type);
        testdb::Exec(user_, QString("UPDATE %1 SET typed = c").arg(table));
        RecordingHost host = hostFor(table, "Proper Case");
        host.field = "typed";
        RunChange(host);
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.describeReports()));
        QCOMPARE(
            testdb::Column(user_, QString("SELECT rtrim(typed) FROM %1 ORDER BY id").arg(table)),
            QStringList({"Abc", "It's X", "", QString::fromUtf8("😀 Élan 😀😀😀😀")}));
    }

    // A row another session changed after the read keeps that session's value.
    void rowChangedSinceTheReadIsLeft() {
        const QString table = makeTable({"one", "two", "three"});
        RecordingHost host = hostFor(table);
        host.onYield = [&](int yields) {
            if (yields == 1)
                testdb::Exec(user_,
                             QString("UPDATE %1 SET c = 'Theirs' WHERE c = 'three'").arg(table));
        };
        const RunSummary summary = RunChange(host);
        QCOMPARE(column(table), QStringList({"ONE", "TWO", "Theirs"}));
        QCOMPARE(summary.rows.written, 2);
        QCOMPARE(summary.rows.left, 1);
        QCOMPARE(host.shown,
                 QStringList({"1 row was not changed: 1 changed by another session since they "
                              "were read.",
                              "Done."}));
    }

    // The bar follows confirmed rows over the database's estimate (taken for tables of more
    // than 8 MiB), corrected as the read passes the table's pages: it never moves back, and is
    // full only once the last group is confirmed. Where the rows lie evenly on the pages it
    // stays within 20 points of the share of rows read (`tracks`); rows left only at the
    // table's start look like a full table until the read passes the emptied pages.
    void barNeverMovesBack_data() {
        QTest::addColumn<QString>("fill");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("tracks");
        const QString rows =
            "INSERT INTO {t} (c) SELECT 'row ' || g || ' of a table' FROM generate_series(1, "
            "200000) g;";
        QTest::newRow("estimate far too low")
            << "INSERT INTO {t} VALUES (0, 'one'); ANALYZE {t}; " + rows << 200001 << true;
        QTest::newRow("estimate far too high")
            << rows + "ANALYZE {t}; DELETE FROM {t} WHERE id > 10000;" << 10000 << false;
        QTest::newRow("statistics stale, 95% deleted")
            << QString(rows).replace("200000", "600000") +
                   "ANALYZE {t}; DELETE FROM {t} WHERE id % 20 <> 0;"
            << 30000 << true;
    }
    void barNeverMovesBack() {
        QFETCH(QString, fill);
        QFETCH(int, rows);
        QFETCH(bool, tracks);
        const QString table = QString("bar%1").arg(++tables_);
        testdb::Exec(user_, QString("CREATE TABLE {t} (id serial, c text) WITH "
                                    "(autovacuum_enabled = off); " +
                                    fill)
                                .replace("{t}", table));
        RecordingHost host = hostFor(table);
        const RunSummary summary = RunChange(host);
        QCOMPARE(summary.rows.read, rows);
        QCOMPARE(host.progress.size(), rows + 2); // each row, the end, the reset
        QCOMPARE(host.progress.last(), 0.0);
        QCOMPARE(host.progress[rows], 100.0);
        const QList<double> run = host.progress.mid(0, rows);
        QVERIFY(std::is_sorted(run.begin(), run.end()));
        QVERIFY(run.last() < 100.0);
        for (int i = 0; tracks && i < rows; i += rows / 20)
            QVERIFY2(std::abs(run[i] - 100.0 * i / rows) <= 20.0,
                     qPrintable(QString("row %1 of %2 shown as %3%").arg(i).arg(rows).arg(run[i])));
    }

    void emptyFieldListOnlyAsksForAField() {
        RecordingHost host = hostFor("no such table");
        host.fieldCount = 0;
        RunChange(host);
        QCOMPARE(host.shown, QStringList({"Please select a field."}));
        QVERIFY(host.busy.isEmpty());
        QVERIFY(host.progress.isEmpty());
        QVERIFY(host.reports.isEmpty());
    }

    void emptyTableSendsNothing() {
        const QString table = makeTable({});
        RecordingHost host = hostFor(table);
        RunChange(host);
        QCOMPARE(host.busy, QList<bool>({true, false}));
        QCOMPARE(host.progress, QList<double>({100.0, 0.0}));
        QCOMPARE(host.recased.size(), 1);
        QCOMPARE(host.shown, QStringList({"Done."}));
        QVERIFY(host.reports.isEmpty());
    }

    void caseBoxWithoutAModeChangesNothing() {
        const QString table = makeTable({"Mixed", "case"});
        RecordingHost host = hostFor(table, "Title case");
        host.preview = {"Mixed", "case"};
        RunChange(host);
        QCOMPARE(column(table), QStringList({"Mixed", "case"}));
        QCOMPARE(host.yields, 3);
        QVERIFY(host.recased.isEmpty());
        QCOMPARE(host.preview, QStringList({"Mixed", "case"}));
        QCOMPARE(host.shown, QStringList({"mess up", "Done."}));
    }

    // A run that cannot start reports once, resets pointer and bar, and claims nothing.
    void runThatCannotStartReportsOnce_data() {
        QTest::addColumn<bool>("wrongPassword");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("step");
        QTest::newRow("wrong password") << true << "t1" << 114;
        QTest::newRow("table gone") << false << "no such table" << 116;
        QTest::newRow("no table selected") << false << QString() << 116;
    }
    void runThatCannotStartReportsOnce() {
        QFETCH(bool, wrongPassword);
        QFETCH(QString, table);
        QFETCH(int, step);
        RecordingHost host = hostFor(table);
        if (wrongPassword)
            host.profile.password += "-wrong";
        host.preview = {"kept"};
        RunChange(host);
        VerifyEndedAfterOneReport(host, step);
        QCOMPARE(host.busy, QList<bool>({true, false}));
        QCOMPARE(host.progressTexts, QStringList({"Progress Bar"}));
        QCOMPARE(host.preview, QStringList({"kept"}));
    }

    // The case box and the lists are read once, at the start.
    void inputDuringTheRun() {
        const QString table = makeTable({"first", "second", "third"});
        const QString other = makeTable({"elsewhere"});
        RecordingHost host = hostFor(table);
        host.onYield = [&](int yields) {
            if (yields == 1) {
                host.caseBox = "Proper Case";
                host.table = other;
                host.field = "other";
            }
        };
        RunChange(host);
        QCOMPARE(column(table), QStringList({"FIRST", "SECOND", "THIRD"}));
        QCOMPARE(column(other), QStringList({"elsewhere"}));
        QCOMPARE(host.recased, QList<CaseMode>({CaseMode::Upper}));
    }

    void namesAreQuotedExactly() {
        testdb::Exec(user_, R"(CREATE TABLE "My ""Odd"" Table" (id serial, "Mixed ""Col""" text);
                               INSERT INTO "My ""Odd"" Table" ("Mixed ""Col""") VALUES ('quiet'), ('LOUD');)");
        RecordingHost host = hostFor("My \"Odd\" Table");
        host.field = "Mixed \"Col\"";
        host.caseBox = "Sentence case";
        RunChange(host);
        QVERIFY(host.reports.isEmpty());
        QCOMPARE(
            testdb::Column(user_, R"(SELECT "Mixed ""Col""" FROM "My ""Odd"" Table" ORDER BY id)"),
            QStringList({"Quiet", "Loud"}));
    }

    // Only text is rewritten: a number, date or binary column is refused once.
    void nonTextColumnsAreRefused_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        QTest::newRow("number") << "numeric(10,2)"
                                << "12.50";
        QTest::newRow("date and time") << "timestamp"
                                       << "2024-01-31 23:59:58";
        QTest::newRow("binary") << "bytea"
                                << "\\x41";
    }
    void nonTextColumnsAreRefused() {
        QFETCH(QString, type);
        QFETCH(QString, value);
        const QString table = QString("t%1").arg(++tables_);
        testdb::Exec(user_,
                     QString("CREATE TABLE %1 (id serial, c %2); INSERT INTO %1 (c) VALUES ('%3');")
                         .arg(table, type, value));
        const QStringList before = column(table);
        RecordingHost host = hostFor(table);
        RunChange(host);
        QCOMPARE(host.shown,
                 QStringList({"The selected field does not hold text; nothing was changed."}));
        QVERIFY(host.reports.isEmpty());
        QCOMPARE(host.busy, QList<bool>({true, false}));
        QCOMPARE(column(table), before);
    }

    // The write Oracle gets (a parameter set per row, only a count back) run on the stand-in:
    // whether another session changed a row in the middle of the group or a trigger changed
    // values on their way in, the journal knows each row's exact outcome, so undo restores
    // every row.
    void countOnlyWritesKnowEachRow_data() {
        QTest::addColumn<QString>("setup"); // {t}
        QTest::addColumn<QString>("during");
        QTest::addColumn<QList<qint64>>("counts"); // written, altered, left
        QTest::newRow("a row changed mid-group")
            << ""
            << "UPDATE {t} SET c = 'Theirs' WHERE id = 5" << QList<qint64>{9, 0, 1};
        QTest::newRow("a trigger alters the values")
            << "CREATE FUNCTION {t}_low() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF NEW.c "
               "= upper(NEW.c) THEN NEW.c := lower(NEW.c); END IF; RETURN NEW; END $$; CREATE "
               "TRIGGER low BEFORE UPDATE ON {t} FOR EACH ROW EXECUTE FUNCTION {t}_low()"
            << "" << QList<qint64>{0, 10, 0};
    }
    void countOnlyWritesKnowEachRow() {
        QFETCH(QString, setup);
        QFETCH(QString, during);
        QFETCH(QList<qint64>, counts);
        QStringList values;
        for (int i = 1; i <= 10; ++i)
            values.append(QString("value %1 mIxed").arg(i));
        const QString table = makeTable(values);
        testdb::Exec(user_, QString(setup).replace("{t}", table));
        db::Connection reader, writer;
        writer.SetAutoCommit(false);
        reader.Open(OdbcConnectionString(user_.profile()));
        writer.Open(OdbcConnectionString(user_.profile()));
        db::Dialect dialect = db::Dialect::Of(reader, table, {.countOnly = true});
        RowSource source;
        QVERIFY(source.Open(reader, dialect, table, {"c"}) == RowNaming::AsDialect);
        const std::vector<SourceRow> rows = source.Next(100);
        testdb::Exec(user_, QString(during).replace("{t}", table));

        auto journal = journal::RunJournal::Create(RecaseHeader(
            user_.profile(), table, "c", "UPPER CASE", db::ReadTableKey(reader, dialect, table)));
        GroupWriter group(
            writer, dialect, {table, {"c"}, {false}}, true, journal.get(),
            [](const std::function<void()>& call) { call(); },
            [](const QString& description, int) { QFAIL(qPrintable(description)); });
        std::vector<PendingRow> pending;
        for (const SourceRow& row : rows) {
            const QString value = row.values.front().toString();
            pending.push_back({qint64(pending.size()),
                               row.id,
                               {{row.values.front(), value, value.toUpper()}},
                               146});
        }
        GroupResult result;
        group.Write(pending, result);
        QCOMPARE((QList<qint64>{result.rows.written, result.altered, result.rows.left}), counts);

        const qint64 id = journal->Id();
        journal.reset(); // the run ends: its journal's lock goes
        RecordingHost undo = hostFor(table);
        const RunSummary restored = UndoRun(undo, id);
        QVERIFY2(restored.completed, qPrintable(restored.failure));
        QStringList expected = values;
        if (!during.isEmpty())
            expected[4] = "Theirs";
        QCOMPARE(column(table), expected);
    }

    // A journal that cannot grow (a full disk) stops the run before its next group with one
    // report; the group in hand is rolled back, every row written before it stays journalled,
    // and undo restores them all.
    void journalThatCannotBeWrittenStopsTheRun() {
        const QString table = QString("t%1").arg(++tables_);
        testdb::Exec(user_, QString("CREATE TABLE %1 (id serial PRIMARY KEY, c text, other text);"
                                    "INSERT INTO %1 (c) SELECT 'row ' || g || ' mIxed' FROM "
                                    "generate_series(1, 20000) g")
                                .arg(table));
        const QStringList before = column(table);
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing us
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        RecordingHost host = hostFor(table);
        host.onYield = [&](int yields) {
            if (yields == 1) {
                const rlimit full{512 * 1024, old.rlim_max};
                setrlimit(RLIMIT_FSIZE, &full);
            }
        };
        const RunSummary summary = RunChange(host);
        setrlimit(RLIMIT_FSIZE, &old);
        QCOMPARE(host.reports.size(), 1);
        QVERIFY2(host.reports[0].first.startsWith("The run journal could not be written"),
                 qPrintable(host.reports[0].first));
        QVERIFY(!summary.completed);
        QVERIFY(summary.rows.written > 0 && summary.rows.written < 20000);
        const QStringList after = column(table);
        QCOMPARE(after.count(), before.count());
        QCOMPARE(int(std::count_if(after.begin(), after.end(),
                                   [](const QString& value) { return value == value.toUpper(); })),
                 int(summary.rows.written));

        RecordingHost undo = hostFor(table);
        const RunSummary restored = UndoRun(undo, journal::RunJournal::List().first().id);
        QVERIFY2(restored.completed, qPrintable(restored.failure));
        QCOMPARE(column(table), before);
    }

    // Undo after the table was rewritten (every address the journal holds moved): a row named
    // by its address alone is never restored by its value, however unambiguous.
    void undoAfterRowsMoved_data() {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("after");    // after the undo
        QTest::addColumn<QList<qint64>>("counts"); // the undo's written and left
        QTest::newRow("every value unambiguous")
            << QStringList{"alpha", "beta"} << QStringList{"ALPHA", "BETA"} << QList<qint64>{0, 2};
        QTest::newRow("a row already in the case holds the value")
            << QStringList{"SMITH", "smith"} << QStringList{"SMITH", "SMITH"}
            << QList<qint64>{0, 1};
    }
    void undoAfterRowsMoved() {
        QFETCH(QStringList, values);
        QFETCH(QStringList, after);
        QFETCH(QList<qint64>, counts);
        const QString table = QString("m%1").arg(++tables_);
        QString sql = QString("CREATE TABLE %1 (id int, c text);").arg(table);
        for (int i = 0; i < values.size(); ++i)
            sql += QString("INSERT INTO %1 VALUES (%2, %3);")
                       .arg(table)
                       .arg(i)
                       .arg(testdb::Literal(values[i]));
        testdb::Exec(user_, sql);
        RecordingHost host = hostFor(table);
        QVERIFY(RunChange(host).completed);
        testdb::Exec(user_, "VACUUM FULL " + table);
        RecordingHost undo = hostFor(table);
        const RunSummary restored = UndoRun(undo);
        QCOMPARE((QList<qint64>{restored.rows.written, restored.rows.left}), counts);
        QVERIFY2(undo.reports.isEmpty(), qPrintable(undo.describeReports()));
        QCOMPARE(column(table), after);
    }

    // Several fields selected: one read, each row written once with all of its changed
    // fields, the field that holds no text named once and left alone, one journal; undo puts
    // both text fields back, a row at a time.
    void everySelectedFieldIsConverted() {
        const QString table = QString("f%1").arg(++tables_);
        testdb::Exec(user_, QString("CREATE TABLE %1 (id serial PRIMARY KEY, a text, n int, b "
                                    "varchar(20));"
                                    "INSERT INTO %1 (a, n, b) VALUES ('one', 1, 'x'), ('TWO', 2, "
                                    "'y'), (NULL, 3, 'Z'), ('it''s', 4, NULL)")
                                .arg(table));
        RecordingHost host = hostFor(table);
        host.field = "b";
        host.selected = {"a", "n", "b"};
        const RunSummary summary = RunChange(host);
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.describeReports()));
        QCOMPARE(host.shown,
                 QStringList(
                     {QString(ChangeMessages::FieldsLeft).arg("n (does not hold text)"), "Done."}));
        QCOMPARE((QList<qint64>{summary.rows.read, summary.rows.written, summary.rows.unchanged}),
                 (QList<qint64>{4, 3, 1}));
        // One journal: an entry per field a row changed.
        int entries = 0;
        journal::RunJournal::Open()->ForEach(
            [&](const std::vector<journal::Entry>& slice) { entries += int(slice.size()); });
        QCOMPARE(entries, 4);
        const QString all = QString("SELECT coalesce(a, '-') || '/' || n || '/' || coalesce(b, "
                                    "'-') FROM %1 ORDER BY id")
                                .arg(table);
        QCOMPARE(testdb::Column(user_, all),
                 QStringList({"ONE/1/X", "TWO/2/Y", "-/3/Z", "IT'S/4/-"}));
        // Undo counts rows as the run did: three rows of four fields.
        RecordingHost undo = hostFor(table);
        const RunSummary undone = UndoRun(undo);
        QVERIFY(undone.completed);
        QCOMPARE((QList<qint64>{undone.rows.read, undone.rows.written, undone.rows.unchanged,
                                undone.rows.left}),
                 (QList<qint64>{3, 3, 0, 0}));
        QCOMPARE(testdb::Column(user_, all),
                 QStringList({"one/1/x", "TWO/2/y", "-/3/Z", "it's/4/-"}));
    }

    // Undo writes only into the table the run changed, naming rows by the key the run named
    // them by: with the table made anew under its name, or the key moved to another column,
    // the same values would name other rows, so it refuses and writes nothing.
    void undoRefusesAnotherTableOrKey_data() {
        QTest::addColumn<QString>("between"); // {t}
        QTest::addColumn<QString>("refusal");
        QTest::newRow("table made anew")
            << "CREATE TABLE {t}_new (LIKE {t} INCLUDING INDEXES); INSERT INTO {t}_new SELECT * "
               "FROM {t}; DROP TABLE {t}; ALTER TABLE {t}_new RENAME TO {t}"
            << "is not the one the run changed";
        QTest::newRow("key moved")
            << "ALTER TABLE {t} DROP CONSTRAINT {t}_pkey; ALTER TABLE {t} ADD PRIMARY KEY (code)"
            << "primary key is code now";
    }
    void undoRefusesAnotherTableOrKey() {
        QFETCH(QString, between);
        QFETCH(QString, refusal);
        const QString table = makeTable({"one", "two"}, ", code int UNIQUE");
        testdb::Exec(user_, QString("UPDATE %1 SET code = 3 - id").arg(table));
        RecordingHost host = hostFor(table);
        QVERIFY(RunChange(host).completed);
        testdb::Exec(user_, QString(between).replace("{t}", table));
        RecordingHost undo = hostFor(table);
        const RunSummary restored = UndoRun(undo);
        QVERIFY(!restored.started);
        QVERIFY2(restored.failure.contains(refusal), qPrintable(restored.failure));
        QCOMPARE(column(table), QStringList({"ONE", "TWO"}));
    }

    // In a LATIN1 database a converted character the set lacks (U+00B5 upper-cases to U+039C)
    // is refused at its row before anything is sent (Oracle would store a replacement
    // character without an error; the stand-in would fail the row with an error of its own);
    // the other rows are written.
    void unheldCharacterIsRefusedAtItsRow() {
        const QString database = QString("latin1_%1").arg(QCoreApplication::applicationPid());
        testdb::Exec(testdb::Admin(), QString("CREATE DATABASE %1 OWNER \"%2\" ENCODING 'LATIN1' "
                                              "LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0")
                                          .arg(database, user_.name));
        const QByteArray home = qgetenv("PGDATABASE");
        qputenv("PGDATABASE", database.toUtf8());
        const auto back = qScopeGuard([&] { qputenv("PGDATABASE", home); });
        const QString table = makeTable({"caf\u00e9", "5 \u00b5m", "plain"});
        RecordingHost host = hostFor(table);
        const RunSummary summary = RunChange(host);
        QCOMPARE(column(table), QStringList({"CAF\u00c9", "5 \u00b5m", "PLAIN"}));
        QCOMPARE(host.reportedSteps(), QList<int>({146}));
        QVERIFY2(host.reports.front().first.contains("LATIN1 has no U+039C"),
                 qPrintable(host.describeReports()));
        QCOMPARE(summary.rows.refused, qint64(1));
        QCOMPARE(host.shown.size(), 2);
        QVERIFY2(host.shown.front().startsWith("1 row was not changed: 1 refused by the database"),
                 qPrintable(host.shown.front()));
        QCOMPARE(host.shown.back(), QString("Done."));
    }

    // The key form of the write Oracle gets, each parameter bound as what it is compared with,
    // finds its row through the key's index.
    void keyedWriteUsesTheKeyIndex() {
        const QString table = QString("t%1").arg(++tables_);
        testdb::Exec(user_, QString("CREATE TABLE %1 (code varchar(20) PRIMARY KEY, c "
                                    "varchar(40)); INSERT INTO %1 SELECT 'k' || g, 'v' || g FROM "
                                    "generate_series(1, 20000) g; ANALYZE %1;")
                                .arg(table));
        db::Connection connection;
        connection.Open(OdbcConnectionString(user_.profile()));
        const db::Dialect dialect = db::Dialect::Of(connection, table, {.countOnly = true});
        QCOMPARE(dialect.keyColumn(), QString("code"));
        const db::WriteTarget target{table, {"c"}, {false}, {false}};
        db::Statement plan(connection, "EXPLAIN " + dialect.WriteStatement(target, true));
        plan.SetParameterTypes(dialect.WriteParameterTypes(target, true));
        plan.Execute(dialect.WriteParameters({{"=k77", {"v77"}, {"V77"}}}, true));
        QStringList lines;
        for (db::Recordset& rows = plan.Result(); !rows.Eof(); rows.MoveNext())
            lines.append(rows.GetFields()[0].Value().toString());
        QVERIFY2(lines.join('\n').contains(QString("Index Scan using %1_pkey").arg(table)),
                 qPrintable(lines.join('\n')));
    }

    // A probe of what the database takes says no, instead of failing, where the database
    // refuses the statement: Oracle's COLLATE probe on the stand-in, which has no DUAL.
    void probeRefusedSaysNo() {
        db::Connection connection;
        connection.Open(OdbcConnectionString(user_.profile()));
        const db::Dialect dialect = db::Dialect::Of(connection);
        QVERIFY(db::Accepts(connection, dialect, "SELECT 1 WHERE 'a' COLLATE \"C\" = 'a'"));
        QVERIFY(!db::Accepts(connection, dialect, db::oracle::CollateProbe()));
    }

    // The reading connection ended by the server (the stand-in's form of a read that lost its
    // snapshot, ORA-01555) is opened again once and the run goes on; the rows converted before
    // read back unchanged.
    void lostReadIsOpenedAgain() {
        QStringList values;
        for (int i = 0; i < 5000; ++i)
            values.append(QString("row %1").arg(i));
        const QString table = makeTable(values);
        RecordingHost host = hostFor(table);
        QStringList terminated;
        host.onYield = [&](int yields) {
            if (yields == 1500)
                terminated = testdb::Column(
                    testdb::Admin(),
                    QString("SELECT CAST(pg_terminate_backend(pid) AS text) FROM "
                            "pg_stat_activity WHERE usename = '%1' AND query ILIKE 'fetch%'")
                        .arg(user_.name));
        };
        const RunSummary summary = RunChange(host);
        QCOMPARE(terminated, QStringList({"true"}));
        QVERIFY2(host.reports.isEmpty(), qPrintable(host.describeReports()));
        QCOMPARE(host.shown, QStringList({"Done."}));
        QVERIFY(summary.completed);
        QCOMPARE(column(table), QStringList(values).replaceInStrings("row", "ROW"));
    }

    // A connection ended by the server stops the run after one report; the group in flight
    // is rolled back whole.
    void lostConnectionEndsTheRunOnce() {
        QStringList values;
        for (int i = 0; i < 50; ++i)
            values.append(QString("row %1").arg(i));
        const QString table = makeTable(values);
        RecordingHost host = hostFor(table);
        host.onYield = [&](int yields) {
            if (yields == 10)
                testdb::Exec(testdb::Admin(),
                             QString("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                     "WHERE usename = '%1' AND pid <> pg_backend_pid()")
                                 .arg(user_.name));
        };
        RunChange(host);
        VerifyEndedAfterOneReport(host, 146);
        const QStringList after = column(table);
        for (int i = 0; i < values.size(); ++i)
            QVERIFY(after[i] == values[i] || after[i] == values[i].toUpper());

        RecordingHost again = hostFor(table);
        RunChange(again);
        QCOMPARE(column(table), QStringList(values).replaceInStrings("row", "ROW"));
    }
};

QTEST_MAIN(ChangeRunTest)
#include "tst_change_run.moc"
