#include "db/connection.h"
#include "db/recordset.h"
#include "db/statement.h"
#include "support/test_database.h"

#include <QTest>
#include <malloc.h>
#include <sqlext.h>

// Reading results through the connection and record set, checked against psql.
class RecordsetTest : public QObject {
    Q_OBJECT

    testdb::User user_;

    void open(db::Connection& connection, int location) {
        connection.SetCursorLocation(location);
        connection.Open(OdbcConnectionString(user_.profile()));
    }

    static void addLocations(const QList<std::pair<QByteArray, QString>>& rows) {
        for (const auto& [name, value] : rows) {
            QTest::newRow(name + " client") << value << db::adUseClient;
            QTest::newRow(name + " server") << value << db::adUseServer;
        }
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser("recordset");
        testdb::Exec(user_, "create table kinds (i integer, v varchar(10), c char(3), t text, "
                            "n numeric(8,2), d date, \"Mixed Name\" varchar(5))");
    }

    // Every value comes back exactly as stored; NULL as a null value, apart from ''.
    void values_data() {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<int>("location");
        addLocations({{"null", "null::text"},
                      {"empty", "''"},
                      {"integer", "42"},
                      {"accents", "'Ça répond: ÉLÈVE naïve, Ångström'"},
                      {"greek", "'Καλημέρα κόσμε ΣΊΣΥΦΟΣ'"},
                      {"emoji", "'smile 😀 family 👨‍👩‍👧 flag 🇳🇴'"},
                      {"combining marks", "U&'e\\0301 a\\0308 \\+01D160'"},
                      {"line breaks and tabs", "E'one\\ntwo\\r\\n\\tthree'"},
                      {"40,000 characters", "repeat('aé😀', 10000) || repeat('z', 10000)"},
                      // Described narrower than the values they hold.
                      {"20,000 digits", "cast(repeat('9', 20000) as numeric)"},
                      {"varchar(5) of five emoji", "cast('😀😀😀😀😀' as varchar(5))"}});
    }

    void values() {
        QFETCH(QString, expression);
        QFETCH(int, location);
        const QString query = "select " + expression + " as v";
        const QString expected = testdb::Column(user_, query).value(0);
        db::Connection connection;
        open(connection, location);
        const db::Recordset records = connection.Execute(query);
        const QVariant value = records.GetFields()[0].Value();
        QCOMPARE(value.isValid(), !expected.isNull());
        QCOMPARE(value.toString(), expected);
    }

    // Rows come in order and whole, also across the streamed read's blocks (256 narrow
    // rows); the count is exact with a client cursor, -1 otherwise.
    void rows_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("location");
        for (int rows : {0, 1, 250, 255, 256, 257, 512, 1000}) {
            const QByteArray name = QByteArray::number(rows) + " rows";
            QTest::newRow(name + " client") << rows << db::adUseClient;
            QTest::newRow(name + " server") << rows << db::adUseServer;
        }
    }

    void rows() {
        QFETCH(int, rows);
        QFETCH(int, location);
        // NULLs, empty texts, characters outside the BMP and values many times a block's
        // buffer, mixed within each block.
        const QString value =
            "case g % 5 when 0 then null when 1 then '' when 2 then repeat('é😀', 3000 + g) "
            "else g || '😀' end";
        const QString query =
            QString("select g, %1 from generate_series(1, %2) g order by g").arg(value).arg(rows);
        const QStringList expected = testdb::Column(
            user_,
            QString("select %1 from generate_series(1, %2) g order by g").arg(value).arg(rows));
        db::Connection connection;
        open(connection, location);
        db::Recordset records;
        records.Open(query, connection, db::adOpenStatic, db::adLockOptimistic);
        QCOMPARE(records.RecordCount(), location == db::adUseClient ? rows : -1);
        for (int row = 1; row <= rows; ++row) {
            QVERIFY(!records.Eof());
            const db::Fields& fields = records.GetFields();
            QCOMPARE(fields[0].Value().toString(), QString::number(row));
            const QString& wanted = expected[row - 1];
            QCOMPARE(fields[1].Value().isValid(), !wanted.isNull());
            QCOMPARE(fields[1].Value().toString().isNull(), wanted.isNull());
            QCOMPARE(fields[1].Value().toString(), wanted);
            records.MoveNext();
        }
        QVERIFY(records.Eof());
        QVERIFY(!records.GetFields()[1].Value().isValid());
        QVERIFY_THROWS_EXCEPTION(db::Error, records.MoveNext());
        records.Close();
        QVERIFY_THROWS_EXCEPTION(db::Error, records.RecordCount());
    }

    void fieldsOfAnEmptyResult() {
        db::Connection connection;
        open(connection, db::adUseServer);
        const db::Recordset records = connection.Execute("SELECT * FROM kinds");
        QVERIFY(records.Eof());
        const db::Fields& fields = records.GetFields();
        QStringList names, texts;
        for (int i = 0; i < fields.Count(); ++i) {
            names << fields[i].Name();
            if (fields[i].IsText())
                texts << fields[i].Name();
        }
        QCOMPARE(names, QStringList({"i", "v", "c", "t", "n", "d", "Mixed Name"}));
        QCOMPARE(texts, QStringList({"v", "c", "t", "Mixed Name"}));
        QCOMPARE(fields[0].SqlType(), SQL_INTEGER);
        QVERIFY_THROWS_EXCEPTION(db::Error, fields[7]);
    }

    void statementsWithoutResult() {
        db::Connection connection;
        open(connection, db::adUseClient);
        testdb::Exec(user_, "create table counters (n integer); insert into counters values (1)");
        QVERIFY(!connection.Execute("update counters set n = 5 where n = 0").IsOpen());
        QVERIFY(!connection.Execute("update counters set n = n + 1").IsOpen());
        QCOMPARE(testdb::Column(user_, "select n from counters"), QStringList{"2"});
        connection.Close();
        QVERIFY_THROWS_EXCEPTION(db::Error, connection.Execute("select 1"));
    }

    void rejectedStatements_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("sqlState");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing table") << "select * from no_such_table"
                                       << "42P01"
                                       << "relation \"no_such_table\" does not exist";
        QTest::newRow("syntax") << "selec 1"
                                << "42601"
                                << "syntax error";
        QTest::newRow("division by zero") << "select 1/0"
                                          << "22012"
                                          << "division by zero";
    }

    void rejectedStatements() {
        QFETCH(QString, statement);
        QFETCH(QString, sqlState);
        QFETCH(QString, text);
        db::Connection connection;
        open(connection, db::adUseClient);
        try {
            connection.Execute(statement);
            QFAIL("the statement was accepted");
        } catch (const db::Error& error) {
            QVERIFY2(error.description().contains(text), qPrintable(error.description()));
            QCOMPARE(error.sqlState(), sqlState);
            QVERIFY(!error.connectionLost());
        }
        QCOMPARE(connection.Execute("select 7").GetFields()[0].Value().toString(), "7");
    }

    void lostConnection() {
        db::Connection connection;
        open(connection, db::adUseClient);
        const QString backend =
            connection.Execute("select pg_backend_pid()").GetFields()[0].Value().toString();
        testdb::Exec(testdb::Admin(), "select pg_terminate_backend(" + backend + ")");
        try {
            connection.Execute("select 1");
            QFAIL("a terminated connection ran a statement");
        } catch (const db::Error& error) {
            QVERIFY2(error.connectionLost(), qPrintable(error.sqlState() + error.description()));
            QVERIFY(!error.description().isEmpty());
        }
    }

    // A statement the driver refuses to prepare (an empty text) frees its handle at once, not
    // when its connection ends: a run that keeps meeting refusals does not grow.
    void refusedPrepareFreesItsHandle() {
        db::Connection connection;
        open(connection, db::adUseClient);
        const auto refuse = [&] {
            QVERIFY_THROWS_EXCEPTION(db::Error, db::Statement{connection, QString()});
        };
        refuse(); // the driver's own first allocations
        const auto before = qint64(mallinfo2().uordblks);
        for (int i = 0; i < 200; ++i)
            refuse();
        // A psqlODBC statement handle takes about 16 KB.
        QCOMPARE_LT(qint64(mallinfo2().uordblks) - before, 256 * 1024);
    }

    // A record set still reading may outlive its connection.
    void recordsetOutlivesConnection() {
        db::Recordset records;
        {
            db::Connection connection;
            open(connection, db::adUseServer);
            records = connection.Execute("select g from generate_series(1, 500) g");
            records.MoveNext();
            connection.Close();
        }
        QCOMPARE(records.GetFields()[0].Value().toString(), "2");
        records.Close();
    }
};

QTEST_GUILESS_MAIN(RecordsetTest)
#include "tst_recordset.moc"
