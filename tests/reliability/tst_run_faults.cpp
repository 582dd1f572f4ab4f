#include "db/error.h"
#include "held_lock.h"
#include "recording_host.h"
#include "support/test_database.h"
#include "table_state.h"

#include <QTest>

using namespace reliability;
using Case::CaseMode;

// Faults that strike a change run from the database side while it is going: the session
// ended by the server, the table or column taken away, rows locked by another session. The
// run must come back, report the fault as intended, leave every row either as it was or
// exactly converted, and the next run must convert the rest.
class RunFaults : public QObject {
    Q_OBJECT

    static RecordingHost hostFor(const testdb::User& user, const QString& table) {
        RecordingHost host;
        host.profile = user.profile();
        host.table = table;
        host.field = QStringLiteral("c");
        return host;
    }

private slots:
    void initTestCase() { testdb::LoadEnvironment(); }

    // Something done through another session just before the statement of row `atRow`.
    void faultFromAnotherSession_data() {
        QTest::addColumn<QString>("sql"); // with {table} and {user}
        QTest::addColumn<bool>("asAdmin");
        QTest::addColumn<QString>("renamedTo"); // where the rows are afterwards
        QTest::addColumn<QString>("columnAfter");
        QTest::addColumn<int>("nextRunStep"); // the next run's one report, 0 for none
        QTest::newRow("session ended by the server")
            << "SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
               "WHERE usename = '{user}' AND pid <> pg_backend_pid()"
            << true << ""
            << "c" << 0;
        QTest::newRow("table dropped") << "DROP TABLE {table}" << false << ""
                                       << "" << 116;
        QTest::newRow("table renamed")
            << "ALTER TABLE {table} RENAME TO \"Renamed\"" << false << "Renamed"
            << "c" << 116;
        QTest::newRow("column dropped") << "ALTER TABLE {table} DROP COLUMN c" << false << ""
                                        << "" << 116;
        QTest::newRow("column renamed")
            << "ALTER TABLE {table} RENAME COLUMN c TO c2" << false << ""
            << "c2" << 116;
    }
    void faultFromAnotherSession() {
        QFETCH(QString, sql);
        QFETCH(bool, asAdmin);
        QFETCH(QString, renamedTo);
        QFETCH(QString, columnAfter);
        QFETCH(int, nextRunStep);
        const testdb::User user = testdb::CreateUser(QStringLiteral("fault"));
        constexpr int rows = 200, atRow = 60;
        const QString table = QStringLiteral("Faulted");
        MakeRowsTable(user, table, rows);
        const TableState before = ReadTable(user, table, QStringLiteral("c"));

        RecordingHost host = hostFor(user, table);
        host.onYield = [&](int yields) {
            if (yields == atRow)
                testdb::Exec(asAdmin ? testdb::Admin() : user,
                             // The run holds no lock between its statements.
                             QStringLiteral("SET lock_timeout = '20s';") +
                                 QString(sql)
                                     .replace(QLatin1String("{table}"), Ident(table))
                                     .replace(QLatin1String("{user}"), user.name));
        };
        RunChange(host);
        VerifyEndedAfterOneReport(host, 146);
        QVERIFY(host.yields >= atRow);

        // Where the rows are still there, the group in flight was rolled back whole.
        const QString holder = renamedTo.isEmpty() ? table : renamedTo;
        if (!columnAfter.isEmpty())
            QCOMPARE(ReadTable(user, holder, columnAfter).values, before.values);

        RecordingHost next = hostFor(user, table);
        RunChange(next);
        if (nextRunStep == 0) {
            QVERIFY2(next.reports.isEmpty(), qPrintable(next.describeReports()));
            QCOMPARE(next.shown, QStringList({"Done."}));
        } else {
            VerifyEndedAfterOneReport(next, nextRunStep);
        }
        if (!columnAfter.isEmpty() && nextRunStep == 116) {
            // The user picks the table and column as they are now.
            RecordingHost picked = hostFor(user, holder);
            picked.field = columnAfter;
            RunChange(picked);
            QVERIFY2(picked.reports.isEmpty(), qPrintable(picked.describeReports()));
        }
        if (!columnAfter.isEmpty()) {
            const TableState after = ReadTable(user, holder, columnAfter);
            QCOMPARE(after.values, Converted(before, CaseMode::Upper).values);
            QCOMPARE(after.others, before.others);
        }
    }

    // Rows locked by another session beyond the user's lock or statement time-out: each of
    // their statements is reported, every other row is converted, and the run says "Done.".
    void lockedRowsAreReportedAndTheRunGoesOn_data() {
        QTest::addColumn<QString>("timeoutSetting");
        QTest::addColumn<QList<int>>("lockedIds");
        QTest::newRow("lock time-out, one row") << "lock_timeout" << QList<int>{3};
        QTest::newRow("lock time-out, first and last rows") << "lock_timeout" << QList<int>{1, 8};
    }
    void lockedRowsAreReportedAndTheRunGoesOn() {
        QFETCH(QString, timeoutSetting);
        QFETCH(QList<int>, lockedIds);
        const testdb::User user = testdb::CreateUser(QStringLiteral("locked"));
        testdb::Exec(
            testdb::Admin(),
            QStringLiteral("ALTER ROLE %1 SET %2 = '300ms'").arg(Ident(user.name), timeoutSetting));
        const QString table = QStringLiteral("Locked");
        MakeRowsTable(user, table, 8);
        const TableState before = ReadTable(user, table, QStringLiteral("c"));
        QStringList ids;
        for (int id : lockedIds)
            ids.append(QString::number(id));

        RecordingHost host = hostFor(user, table);
        {
            HeldLock lock(user, table, QStringLiteral("id IN (%1)").arg(ids.join(',')));
            RunChange(host);
        }
        QVERIFY2(host.reports.size() == lockedIds.size(), qPrintable(host.describeReports()));
        for (const auto& [description, step] : host.reports) {
            QCOMPARE(step, 146);
            QVERIFY2(description.contains(QLatin1String("cancel")), qPrintable(description));
        }
        QCOMPARE(host.shown.size(), 2);
        QVERIFY2(
            host.shown[0].contains(
                QStringLiteral("%1 refused by the database (first reason: ").arg(lockedIds.size())),
            qPrintable(host.shown[0]));
        QCOMPARE(host.shown[1], QStringLiteral("Done."));
        QCOMPARE(host.recased, QList<CaseMode>({CaseMode::Upper}));

        TableState expected = Converted(before, CaseMode::Upper);
        for (int id : lockedIds)
            expected.values[id - 1] = before.values[id - 1];
        const TableState after = ReadTable(user, table, QStringLiteral("c"));
        QCOMPARE(after.values, expected.values);
        QCOMPARE(after.others, before.others);

        RecordingHost next = hostFor(user, table);
        RunChange(next);
        QVERIFY2(next.reports.isEmpty(), qPrintable(next.describeReports()));
        QCOMPARE(ReadTable(user, table, QStringLiteral("c")).values,
                 Converted(before, CaseMode::Upper).values);
    }
};

QTEST_GUILESS_MAIN(RunFaults)
#include "tst_run_faults.moc"
