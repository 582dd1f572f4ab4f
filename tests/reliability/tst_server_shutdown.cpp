#include "private_server.h"
#include "recording_host.h"
#include "support/test_database.h"
#include "table_state.h"

#include <QTest>
#include <memory>

using namespace reliability;
using Case::CaseMode;

#ifndef PRIVATE_SERVER_DIR
#error "PRIVATE_SERVER_DIR must name the private server's folder"
#endif

// The database server stops with an immediate shutdown in the middle of a run of 2,000 rows,
// on a server of this test's own. The run ends after one report; while the server is down
// a run fails once at the connection; once it is back, the next run converts the rest.
class ServerShutdown : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateServer> server_;
    testdb::User user_;

    RecordingHost hostFor(const QString& table) {
        RecordingHost host;
        host.profile = user_.profile();
        host.table = table;
        host.field = QStringLiteral("c");
        host.caseBox = QStringLiteral("Proper Case");
        return host;
    }

private slots:
    void initTestCase() {
        server_ = std::make_unique<PrivateServer>(QStringLiteral(PRIVATE_SERVER_DIR));
        try {
            server_->Start();
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        // Every connection and psql check of this process goes to the private server.
        qputenv("TESTDB_ENV", server_->EnvFile().toUtf8());
        testdb::LoadEnvironment();
        // A committed statement survives the crash (the test server defers its WAL flushes).
        testdb::Exec(testdb::Admin(), QStringLiteral("ALTER SYSTEM SET synchronous_commit = on;"
                                                     "SELECT pg_reload_conf()"));
        user_ = testdb::CreateUser(QStringLiteral("shutdown"));
    }

    void cleanupTestCase() { server_.reset(); }

    void immediateShutdownMidRun() {
        // The stop comes while the first or the second group of rows is in flight.
        constexpr int rows = 2500, atRow = 1500, group = 1000;
        const QString table = QStringLiteral("Two Thousand");
        MakeRowsTable(user_, table, rows);
        const TableState before = ReadTable(user_, table, QStringLiteral("c"));
        const TableState converted = Converted(before, CaseMode::Proper);

        RecordingHost host = hostFor(table);
        host.onYield = [&](int yields) {
            if (yields == atRow)
                server_->StopImmediately();
        };
        RunChange(host);
        VerifyEndedAfterOneReport(host, 162);

        RecordingHost whileDown = hostFor(table);
        RunChange(whileDown);
        VerifyEndedAfterOneReport(whileDown, 114);

        server_->Restart();
        const TableState after = ReadTable(user_, table, QStringLiteral("c"));
        QCOMPARE(OldOrConverted(before, after, CaseMode::Proper), QString());
        // Whole groups, from the first: those committed before the stop.
        const auto written =
            std::count_if(after.values.begin(), after.values.end(),
                          [&](const QString& value) { return !before.values.contains(value); });
        QCOMPARE(written % group, 0);
        QCOMPARE(after.values.mid(0, written), converted.values.mid(0, written));
        QCOMPARE(after.values.mid(written), before.values.mid(written));

        RecordingHost next = hostFor(table);
        RunChange(next);
        QVERIFY2(next.reports.isEmpty(), qPrintable(next.describeReports()));
        QCOMPARE(next.shown, QStringList({"Done."}));
        const TableState done = ReadTable(user_, table, QStringLiteral("c"));
        QCOMPARE(done.values, converted.values);
        QCOMPARE(done.others, before.others);
    }
};

QTEST_GUILESS_MAIN(ServerShutdown)
#include "tst_server_shutdown.moc"
