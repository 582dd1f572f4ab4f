#include "db/listings.h"
#include "db/recordset.h"
#include "db/sql_text.h"
#include "support/test_database.h"

#include <QTest>

// The three listings against users with known tables.
class Listings : public QObject {
    Q_OBJECT

    testdb::User user_;

    QStringList columnNames(const QString& table) {
        db::Connection connection;
        Oracle::OpenForListing(connection, user_.profile());
        return Oracle::ColumnNames(connection, table);
    }

    // Records "opened" and the values in the order they are reported.
    void preview(const QString& table, const QString& column, QStringList& events) {
        db::Connection connection;
        Oracle::OpenForListing(connection, user_.profile());
        Oracle::ReadPreview(
            connection, table, column, [&] { events << "opened"; },
            [&](const QString& value) { events << value; });
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser("listings");
        QStringList wide;
        for (int i = 1; i <= 40; ++i)
            wide << QString(i % 2 ? "\"Col %1\" text" : "c%1 integer").arg(i);
        testdb::Exec(user_, "create table zeta (v text);"
                            "create table \"Mixed Case Table\" (\"First Name\" text);"
                            "create view a_view as select 1 as x;"
                            "create table \"Wide Table\" (" +
                                wide.join(',') +
                                ");"
                                "create table alpha (v text);"
                                "insert into alpha select case when g % 7 = 0 then null "
                                "else 'Value ' || g end from generate_series(1, 100) g;"
                                "create table rows150 as select 'R' || g as v "
                                "from generate_series(1, 150) g;"
                                "create table nulls (v text);"
                                "insert into nulls select null from generate_series(1, 120);"
                                // Views whose every row fails as it is computed: no row of
                                // them can be read. (Views are not in user_tables.)
                                "create view divides_by_zero as "
                                "select v, 1 / (length(v) - length(v)) as ratio from alpha;"
                                "create function refuse() returns boolean language plpgsql "
                                "as $$ begin raise exception 'row read'; end $$;"
                                "create view raises as "
                                "select v as \"Some Text\", refuse() as checked from rows150;");
        testdb::Exec(testdb::CreateUser("neighbour"), "create table theirs (v text)");
    }

    void tableListHoldsOwnTablesInDatabaseOrder() {
        QStringList tables;
        Oracle::FillTableList(user_.profile(), [&](const QString& name) { tables << name; });
        QCOMPARE(tables, QStringList({"zeta", "Mixed Case Table", "Wide Table", "alpha", "rows150",
                                      "nulls"}));
    }

    void tableListOfUserWithoutTables() {
        QStringList tables;
        Oracle::FillTableList(testdb::CreateUser("empty").profile(),
                              [&](const QString& name) { tables << name; });
        QCOMPARE(tables, QStringList());
    }

    void columnNames() {
        const QStringList wide = columnNames("Wide Table");
        QCOMPARE(wide.size(), 40);
        QCOMPARE(wide.first(), "Col 1");
        QCOMPARE(wide[1], "c2");
        QCOMPARE(wide.last(), "c40");
        QCOMPARE(columnNames("Mixed Case Table"), QStringList{"First Name"});
        QVERIFY_THROWS_EXCEPTION(db::Error, columnNames("mixed case table"));
    }

    // The listing describes SELECT * FROM "T" without running it: a table none of whose rows
    // can be read still lists its columns.
    void columnNamesReadNoRow_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("division by zero in every row")
            << "divides_by_zero" << QStringList{"v", "ratio"};
        QTest::newRow("an exception raised in every row")
            << "raises" << QStringList{"Some Text", "checked"};
    }

    void columnNamesReadNoRow() {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        db::Connection connection;
        Oracle::OpenForListing(connection, user_.profile());
        const auto listed = [&] {
            try {
                return Oracle::ColumnNames(connection, table);
            } catch (const db::Error& error) {
                return QStringList{"db::Error: " + error.description()};
            }
        };
        QCOMPARE(listed(), columns);
        // Running the same statement reads the first rows, and fails.
        QVERIFY_THROWS_EXCEPTION(db::Error, connection.Execute(SelectAllStatement(table)));
        // The connection still lists after the failure.
        QCOMPARE(listed(), columns);
    }

    // At most the first 101 values, in the order the database gives them; NULL as ''.
    void preview_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("count");
        QTest::newRow("no rows") << "zeta"
                                 << "v" << 0;
        QTest::newRow("100 rows, some NULL") << "alpha"
                                             << "v" << 100;
        QTest::newRow("150 rows") << "rows150"
                                  << "v" << 101;
        QTest::newRow("all NULL") << "nulls"
                                  << "v" << 101;
        QTest::newRow("names with spaces") << "Mixed Case Table"
                                           << "First Name" << 0;
    }

    void preview() {
        QFETCH(QString, table);
        QFETCH(QString, column);
        QFETCH(int, count);
        QStringList events;
        preview(table, column, events);
        const QStringList stored = testdb::Column(
            user_, QString("select coalesce(\"%1\", '') from \"%2\"").arg(column, table));
        QCOMPARE(events, QStringList("opened") + stored.mid(0, count));
    }

    void failedPreviewNeverOpens() {
        QStringList events;
        QVERIFY_THROWS_EXCEPTION(db::Error, preview("alpha", "missing", events));
        QVERIFY(events.isEmpty());
    }
};

QTEST_GUILESS_MAIN(Listings)
#include "tst_listings.moc"
