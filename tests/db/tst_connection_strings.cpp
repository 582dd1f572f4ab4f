#include "db/connection.h"
#include "db/connection_profile.h"
#include "db/connection_string.h"
#include "db/oracle.h"
#include "support/test_database.h"

#include <QTest>

Q_DECLARE_METATYPE(ConnectionProfile)

namespace {

// A full connect descriptor, as a SID may be given instead of a net service name.
const QString Descriptor =
    "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=h)(PORT=1521))(CONNECT_DATA=(SID=X)))";

} // namespace

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
                    << QString("Driver={Microsoft ODBC for Oracle};Server=%1;DBQ=%1;Uid=%2;Pwd=%3;")
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
        // A pair's name ends at its first '=': the rest is the value, and braces around it
        // would reach the driver as part of a user name or server.
        row("equals", {"s", "a=b", "="}, {"s", "a=b", "="});
        row("connect descriptor as SID", {Descriptor, "u", "p"}, {Descriptor, "u", "p"});
        row("braces", {"{x}", "u}", "{"}, {"{{x}}}", "{u}}}", "{{}"});
        row("password with ';' and '}'", {"s", "u=v", "p;a}ss"}, {"s", "u=v", "{p;a}}ss}"});
    }

    // Both forms as written; the OLE DB form reaches the driver as the ODBC form, under the
    // provider's driver name.
    void forms() {
        QFETCH(ConnectionProfile, profile);
        QFETCH(QString, odbc);
        QFETCH(QString, oleDb);
        QCOMPARE(OdbcConnectionString(profile), odbc);
        QCOMPARE(OleDbConnectionString(profile), oleDb);
        QCOMPARE(db::OdbcFormOf(oleDb),
                 "Driver={OraOLEDB.Oracle};" + odbc.mid(odbc.indexOf("};") + 2));
    }

    // The SID goes to the driver whole, as typed: psqlODBC, standing in, takes it as the host
    // name and names all of it when it cannot resolve it (the Oracle driver reads it as the
    // connect descriptor).
    void connectDescriptorReachesTheDriverWhole() {
        db::Connection connection;
        try {
            connection.Open(OdbcConnectionString({Descriptor, "u", "p"}));
            QFAIL("a connect descriptor opened a connection on the stand-in");
        } catch (const db::Error& error) {
            QVERIFY2(error.description().contains('"' + Descriptor + '"'),
                     qPrintable(error.description()));
        }
    }

    // A password reaches the driver whole, quoted or not: both forms log in, and a password
    // one character longer is refused.
    void quotedValuesLogIn_data() {
        // Only the password: psqlODBC, standing in for the Oracle driver, takes the user name
        // and server with their braces.
        QTest::addColumn<QString>("userPrefix");
        QTest::addColumn<QString>("password");
        QTest::newRow("semicolon") << "semi" << QString("pa;ss");
        QTest::newRow("equals, not quoted") << "equals" << QString("a=b==c=");
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
