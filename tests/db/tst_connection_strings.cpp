#include "db/connection_profile.h"
#include "db/oracle.h"
#include "support/test_database.h"

#include <QTest>

Q_DECLARE_METATYPE(ConnectionProfile)

// The two connection-string forms, and that values which would split them still log in.
class ConnectionStrings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { testdb::LoadEnvironment(); }

    void forms_data() {
        QTest::addColumn<ConnectionProfile>("profile");
        QTest::addColumn<QString>("odbc");
        QTest::addColumn<QString>("oleDb");
        const auto row =
            [](const char* name, const ConnectionProfile& profile, const QStringList& written) {
                QTest::newRow(name)
                    << profile
                    << QString("Driver={Microsoft ODBC for Oracle};Server=%1;Uid=%2;Pwd=%3;")
                           .arg(written[0], written[1], written[2])
                    << QString("Provider=OraOLEDB.Oracle;Data Source=%1;User Id=%2;Password=%3;")
                           .arg(written[0], written[1], written[2]);
            };
        row("ordinary", {"ORCL", "scott", "tiger"}, {"ORCL", "scott", "tiger"});
        row("empty", {"", "", ""}, {"", "", ""});
        row("spaces kept", {" ORCL ", " scott", "tiger "}, {" ORCL ", " scott", "tiger "});
        row("service name", {"db.example.com:1521/XE", "Émile", "pässwörd"},
            {"db.example.com:1521/XE", "Émile", "pässwörd"});
        row("semicolon", {"a;b", "u", "p;Uid=admin"}, {"{a;b}", "u", "{p;Uid=admin}"});
        row("equals", {"s", "a=b", "="}, {"s", "{a=b}", "{=}"});
        row("braces", {"{x}", "u}", "{"}, {"{{x}}}", "{u}}}", "{{}"});
    }

    void forms() {
        QFETCH(ConnectionProfile, profile);
        QFETCH(QString, odbc);
        QFETCH(QString, oleDb);
        QCOMPARE(OdbcConnectionString(profile), odbc);
        QCOMPARE(OleDbConnectionString(profile), oleDb);
    }

    // A quoted value reaches the driver whole: both forms log in, and a password one
    // character longer is refused.
    void quotedValuesLogIn_data() {
        // Only the password: psqlODBC, standing in for the Oracle driver, takes the user name
        // and server with their braces.
        QTest::addColumn<QString>("userPrefix");
        QTest::addColumn<QString>("password");
        QTest::newRow("semicolon") << "semi" << QString("pa;ss");
        QTest::newRow("closing brace") << "brace" << QString("pa}ss");
        QTest::newRow("all four") << "four" << QString("{a;b}=c}}");
        QTest::newRow("pair inside") << "pair" << QString("x;Uid=postgres;Pwd=y");
        QTest::newRow("spaces") << "spaces" << QString("  lead and trail  ");
    }

    void quotedValuesLogIn() {
        QFETCH(QString, userPrefix);
        QFETCH(QString, password);
        testdb::User user = testdb::CreateUser(userPrefix);
        user.password = password;
        testdb::Exec(testdb::Admin(), QString("alter role \"%1\" password '%2'")
                                          .arg(QString(user.name).replace('"', "\"\""), password));
        QVERIFY(Oracle::CanConnect(user.profile()));
        QVERIFY(Oracle::ConnectionTestSucceeds(user.profile()));
        ConnectionProfile wrong = user.profile();
        wrong.password += "x";
        QVERIFY(!Oracle::CanConnect(wrong));
        QVERIFY(!Oracle::ConnectionTestSucceeds(wrong));
    }
};

QTEST_GUILESS_MAIN(ConnectionStrings)
#include "tst_connection_strings.moc"
