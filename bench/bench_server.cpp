#include "bench_server.h"

#include "db/recordset.h"
#include "sql_literal.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

namespace bench {

namespace {

QString Setting(const char* name) {
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty())
        throw db::Error(QStringLiteral("the server's settings name no %1").arg(name));
    return value;
}

} // namespace

void LoadServerEnvironment(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw db::Error(QStringLiteral("cannot read the test server's settings '%1' (start one "
                                       "with tools/testdb.sh start DIR, or use tools/bench.sh)")
                            .arg(path));
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            qputenv(line.left(equals).constData(), line.mid(equals + 1));
    }
}

ConnectionProfile AdminProfile() {
    return {QStringLiteral("127.0.0.1"), Setting("TESTDB_ADMIN_USER"),
            Setting("TESTDB_ADMIN_PASSWORD")};
}

ConnectionProfile CreateUser(db::Connection& admin) {
    const ConnectionProfile user{QStringLiteral("127.0.0.1"),
                                 QStringLiteral("bench_%1").arg(QCoreApplication::applicationPid()),
                                 QString::number(QRandomGenerator::global()->generate64(), 16)};
    // A user left by an earlier run of the same process id goes first.
    admin.Execute(QStringLiteral("DROP SCHEMA IF EXISTS \"%1\" CASCADE").arg(user.user));
    admin.Execute(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(user.user));
    admin.Execute(QStringLiteral("SELECT create_oracle_user('%1', '%2')")
                      .arg(EscapeLiteral(user.user), EscapeLiteral(user.password)));
    return user;
}

void OpenLikeChangeRun(db::Connection& connection, const ConnectionProfile& profile) {
    connection.SetCursorLocation(db::adUseClient);
    connection.SetCommandTimeout(5000);
    connection.SetConnectionTimeout(5000);
    connection.Open(OdbcConnectionString(profile));
}

QString Scalar(db::Connection& connection, const QString& query) {
    db::Recordset records = connection.Execute(query);
    if (records.Eof())
        throw db::Error(QStringLiteral("no row from: ") + query);
    return records.GetFields()[0].Value().toString();
}

} // namespace bench
