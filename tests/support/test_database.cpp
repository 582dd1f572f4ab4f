#include "support/test_database.h"

#include "db/error.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QtGlobal>
#include <atomic>

// Checks go through the psql command line rather than the data layer under test, so that a
// fault there cannot hide itself.

namespace testdb {

namespace {

QString Variable(const char* name) {
    LoadEnvironment();
    return qEnvironmentVariable(name);
}

QString SqlText(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

// Runs psql as the user with the SQL on standard input; its standard output.
QByteArray RunPsql(const User& user, const QString& sql, const QStringList& extraArguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), user.password);
    environment.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
    environment.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("10"));

    QProcess psql;
    psql.setProcessEnvironment(environment);
    QStringList arguments = {QStringLiteral("-X"), QStringLiteral("-q"),
                             QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("-U"), user.name,
                             QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1")};
    arguments += extraArguments;
    psql.start(QStringLiteral("psql"), arguments);
    if (!psql.waitForStarted())
        throw db::Error(QStringLiteral("psql could not be started: ") + psql.errorString());
    psql.write(sql.toUtf8());
    psql.closeWriteChannel();
    if (!psql.waitForFinished(120000)) {
        psql.kill();
        psql.waitForFinished();
        throw db::Error(QStringLiteral("psql did not finish: ") + sql.left(200));
    }
    const QByteArray output = psql.readAllStandardOutput();
    if (psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0)
        throw db::Error(QString::fromUtf8(psql.readAllStandardError()).trimmed());
    return output;
}

} // namespace

void LoadEnvironment() {
    static bool loaded = false;
    if (loaded)
        return;
    const QString path = qEnvironmentVariable("TESTDB_ENV");
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("The test database is not running: cannot read its settings file '%s' (named by "
               "TESTDB_ENV). Run the tests through ctest, whose fixture starts the server with "
               "tools/testdb.sh start DIR.",
               qPrintable(path));
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            qputenv(line.left(equals).constData(), line.mid(equals + 1));
    }
    loaded = true;
}

ConnectionProfile User::profile() const {
    return ConnectionProfile{QStringLiteral("127.0.0.1"), name, password};
}

User Admin() {
    return User{Variable("TESTDB_ADMIN_USER"), Variable("TESTDB_ADMIN_PASSWORD")};
}

User CreateUser(const QString& prefix) {
    static std::atomic<int> counter = 0;
    const User user{QStringLiteral("%1_%2_%3")
                        .arg(prefix)
                        .arg(++counter)
                        .arg(QCoreApplication::applicationPid()),
                    QString::number(QRandomGenerator::global()->generate64(), 16)};
    Exec(Admin(), QStringLiteral("select create_oracle_user(%1, %2)")
                      .arg(SqlText(user.name), SqlText(user.password)));
    return user;
}

void Exec(const User& user, const QString& sql) {
    LoadEnvironment();
    RunPsql(user, sql, {QStringLiteral("-o"), QStringLiteral("/dev/null")});
}

QStringList Column(const User& user, const QString& sql) {
    LoadEnvironment();
    QString query = sql.trimmed();
    while (query.endsWith(QLatin1Char(';')))
        query.chop(1);
    // Every value as hex of its UTF-8 bytes behind a marker, so that line breaks, tabs and
    // empty texts survive psql's output and NULL stays apart from the empty text.
    const QString wrapped =
        QStringLiteral("select case when x is null then 'N' "
                       "else 'V' || encode(convert_to(x::text, 'UTF8'), 'hex') end "
                       "from (%1) as q(x);\n")
            .arg(query);
    const QByteArray output =
        RunPsql(user, wrapped, {QStringLiteral("--no-align"), QStringLiteral("--tuples-only")});

    QStringList values;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith('N'))
            values.append(QString());
        else if (line.startsWith('V'))
            values.append(QString::fromUtf8(QByteArray::fromHex(line.mid(1))));
    }
    return values;
}

QString Literal(const QString& text) {
    if (text.isNull())
        return QStringLiteral("NULL");
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

} // namespace testdb
