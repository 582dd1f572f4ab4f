#include "db/connection.h"
#include "db/listings.h"
#include "db/recordset.h"
#include "support/test_database.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sqlext.h>

Q_DECLARE_METATYPE(ConnectionProfile)

// The silent probe and the connection test. Their answers come from odbc_probe in a child
// process, which may see another server port or other driver registrations (the driver
// manager keeps the registrations it has read for the rest of a process).
class Connectivity : public QObject {
    Q_OBJECT

    testdb::User user_;

    // psqlODBC's library, as the test server registered it.
    static QString DriverLibrary() {
        QFile shared(qEnvironmentVariable("ODBCSYSINI") + "/odbcinst.ini");
        if (!shared.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QRegularExpression("^Driver=(.*)$", QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(shared.readAll()))
            .captured(1);
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser("connectivity");
    }

    void answers_data() {
        QTest::addColumn<ConnectionProfile>("profile");
        QTest::addColumn<QString>("port");           // empty: the test server's
        QTest::addColumn<QStringList>("registered"); // empty: the test server's drivers
        QTest::addColumn<QByteArray>("answers");     // CanConnect, then the connection test
        const ConnectionProfile valid = user_.profile();
        const ConnectionProfile wrongPassword{valid.sid, valid.user, valid.password + "x"};
        const ConnectionProfile unknownUser{valid.sid, "nobody_here", valid.password};
        QTest::newRow("valid") << valid << "" << QStringList() << QByteArray("1 1");
        QTest::newRow("wrong password")
            << wrongPassword << "" << QStringList() << QByteArray("0 0");
        QTest::newRow("unknown user") << unknownUser << "" << QStringList() << QByteArray("0 0");
        QTest::newRow("empty fields")
            << ConnectionProfile() << "" << QStringList() << QByteArray("0 0");
        QTest::newRow("server down") << valid << "1" << QStringList() << QByteArray("0 0");
        QTest::newRow("only the OLE DB provider's name registered")
            << valid << "" << QStringList{"OraOLEDB.Oracle"} << QByteArray("0 1");
        QTest::newRow("only the ODBC driver's name registered")
            << valid << "" << QStringList{"Microsoft ODBC for Oracle"} << QByteArray("1 0");
        QTest::newRow("neither registered")
            << valid << "" << QStringList{"PostgreSQL"} << QByteArray("0 0");
    }

    void answers() {
        QFETCH(ConnectionProfile, profile);
        QFETCH(QString, port);
        QFETCH(QStringList, registered);
        QFETCH(QByteArray, answers);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!port.isEmpty())
            environment.insert("PGPORT", port);
        QTemporaryDir drivers;
        if (!registered.isEmpty()) {
            const QString library = DriverLibrary();
            QVERIFY(!library.isEmpty());
            QFile ini(drivers.filePath("odbcinst.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Text));
            for (const QString& name : registered)
                ini.write(QString("[%1]\nDriver=%2\n\n").arg(name, library).toUtf8());
            environment.insert("ODBCSYSINI", drivers.path());
        }
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(ODBC_PROBE, {profile.sid, profile.user, profile.password});
        QVERIFY(probe.waitForFinished());
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probe.readAllStandardOutput().trimmed(), answers);
    }

    // Both forms name the SID as DBQ too, where Oracle's own driver reads it; the driver
    // manager's trace shows the strings it passed on, and psqlODBC still logs in with them.
    void dbqReachesTheDriver() {
        QTemporaryDir drivers;
        QFile shared(qEnvironmentVariable("ODBCSYSINI") + "/odbcinst.ini");
        QFile ini(drivers.filePath("odbcinst.ini"));
        QVERIFY(shared.open(QIODevice::ReadOnly) && ini.open(QIODevice::WriteOnly));
        const QString trace = drivers.filePath("trace.log");
        ini.write(shared.readAll() +
                  QString("[ODBC]\nTrace=Yes\nTraceFile=%1\n").arg(trace).toUtf8());
        ini.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ODBCSYSINI", drivers.path());
        QProcess probe;
        probe.setProcessEnvironment(environment);
        const ConnectionProfile profile = user_.profile();
        probe.start(ODBC_PROBE, {profile.sid, profile.user, profile.password});
        QVERIFY(probe.waitForFinished());
        QCOMPARE(probe.readAllStandardOutput().trimmed(), QByteArray("1 1"));
        QFile log(trace);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QCOMPARE(text.count("Server=" + profile.sid + ";DBQ=" + profile.sid + ";"), 2);
    }

    // The time-outs the driver receives: the listings leave the defaults (login 15 s, query
    // 30 s), the change run sets 5000 s for both. The login time-out is read back from the
    // connection handle; the query time-out as the server's statement_timeout while a
    // statement runs, which is how psqlODBC carries out a statement's SQL_ATTR_QUERY_TIMEOUT.
    void timeoutsReachTheDriver_data() {
        QTest::addColumn<QString>("like");
        QTest::addColumn<uint>("loginSeconds");
        QTest::addColumn<uint>("querySeconds");
        QTest::newRow("table list") << "table list" << 15u << 30u;
        QTest::newRow("column listing and preview") << "listing" << 15u << 30u;
        QTest::newRow("change run") << "change run" << 5000u << 5000u;
    }

    void timeoutsReachTheDriver() {
        QFETCH(QString, like);
        QFETCH(uint, loginSeconds);
        QFETCH(uint, querySeconds);
        db::Connection connection;
        if (like == "table list") { // as FillTableList
            connection.SetCursorLocation(db::adUseClient);
            connection.Open(OdbcConnectionString(user_.profile()));
        } else if (like == "listing") {
            Oracle::OpenForListing(connection, user_.profile());
        } else { // as the change run's steps 108 to 114
            connection.SetCursorLocation(db::adUseClient);
            connection.SetCommandTimeout(5000);
            connection.SetConnectionTimeout(5000);
            connection.Open(OdbcConnectionString(user_.profile()));
        }

        SQLUINTEGER login = 0;
        QVERIFY(SQL_SUCCEEDED(SQLGetConnectAttrW(static_cast<SQLHDBC>(connection.handle()),
                                                 SQL_ATTR_LOGIN_TIMEOUT, &login, 0, nullptr)));
        QCOMPARE(login, loginSeconds);
        // Twice: the second statement runs on the handle the first one left.
        for (int i = 0; i < 2; ++i) {
            db::Recordset records;
            records.Open("select setting from pg_settings where name = 'statement_timeout'",
                         connection);
            QCOMPARE(records.GetFields()[0].Value().toString(),
                     QString::number(querySeconds * 1000)); // milliseconds
        }
    }

    void refusedLoginDescribesItself() {
        db::Connection connection;
        try {
            connection.Open(OdbcConnectionString({"127.0.0.1", user_.name, "wrong"}));
            QFAIL("a wrong password opened the connection");
        } catch (const db::Error& error) {
            QVERIFY2(error.description().contains("password authentication failed"),
                     qPrintable(error.description()));
            QCOMPARE(error.sqlState().size(), 5);
        }
        QVERIFY(!connection.IsOpen());
    }
};

QTEST_GUILESS_MAIN(Connectivity)
#include "tst_connectivity.moc"
