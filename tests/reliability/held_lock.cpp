#include "held_lock.h"

#include "db/error.h"
#include "table_state.h"

#include <QThread>

namespace reliability {

namespace {

const QString ApplicationName = QStringLiteral("quillmark-held-lock");

// True once a session of the lock holder waits inside its transaction.
bool Holding(const testdb::User& user) {
    return testdb::Column(user, QStringLiteral("SELECT count(*) FROM pg_stat_activity "
                                               "WHERE application_name = %1 "
                                               "AND state = 'idle in transaction'")
                                    .arg(Literal(ApplicationName)))
               .value(0) == QLatin1String("1");
}

} // namespace

HeldLock::HeldLock(const testdb::User& user, const QString& table, const QString& where) {
    Hold(user, QStringLiteral("SELECT id FROM %1 WHERE %2 FOR UPDATE").arg(Ident(table), where));
}

HeldLock::HeldLock(const testdb::User& user, const QString& table) {
    Hold(user, QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(Ident(table)));
}

void HeldLock::Hold(const testdb::User& user, const QString& statement) {
    user_ = user;
    testdb::LoadEnvironment();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), user.password);
    environment.insert(QStringLiteral("PGAPPNAME"), ApplicationName);
    psql_.setProcessEnvironment(environment);
    psql_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    psql_.start(QStringLiteral("psql"),
                {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"),
                 QStringLiteral("127.0.0.1"), QStringLiteral("-U"), user.name, QStringLiteral("-o"),
                 QStringLiteral("/dev/null")});
    if (!psql_.waitForStarted())
        throw db::Error(QStringLiteral("psql could not be started"));
    psql_.write(QStringLiteral("BEGIN;\n%1;\n").arg(statement).toUtf8());
    psql_.waitForBytesWritten();
    // The session reports nothing when it holds the lock; watch it from outside (bounded).
    for (int tries = 0; tries < 400; ++tries) {
        if (Holding(user))
            return;
        if (psql_.state() == QProcess::NotRunning)
            break;
        QThread::msleep(25);
    }
    psql_.kill();
    psql_.waitForFinished();
    throw db::Error(QStringLiteral("the other session did not take the lock"));
}

HeldLock::~HeldLock() {
    Release();
}

void HeldLock::Release() {
    if (psql_.state() == QProcess::NotRunning)
        return;
    psql_.write("COMMIT;\n");
    psql_.closeWriteChannel();
    if (!psql_.waitForFinished(30000)) {
        psql_.kill();
        psql_.waitForFinished();
    }
}

bool HeldLock::Waited() const {
    return testdb::Column(user_, QStringLiteral("SELECT count(*) FROM pg_stat_activity "
                                                "WHERE wait_event_type = 'Lock'"))
               .value(0) != QLatin1String("0");
}

} // namespace reliability
