#include "journal/sqlite_connection.h"

#include "journal/run_journal.h"

#include <QFileInfo>
#include <QSqlError>
#include <QUrl>
#include <atomic>
#include <sys/stat.h>

namespace journal {

namespace {

QString OneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.simplified();
}

QString Reason(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return OneLine(text);
}

} // namespace

SqliteConnection::SqliteConnection(const QString& path, Open open) {
    static std::atomic<quint64> counter = 0;
    name_ = QStringLiteral("run-journal-%1").arg(++counter);
    database_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    if (!database_.isValid()) {
        database_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw Error(QStringLiteral("The SQLite driver of Qt SQL (QSQLITE) is not installed"));
    }
    if (open != Open::CreateIfMissing) {
        // A URI's mode=rw opens for reading and writing without creating.
        QString mode = QStringLiteral("?mode=rw");
        if (open == Open::ReadOnly)
            mode = QFileInfo::exists(path + QLatin1String("-wal"))
                       ? QStringLiteral("?mode=ro")
                       : QStringLiteral("?mode=ro&immutable=1");
        database_.setDatabaseName(QStringLiteral("file:") +
                                  QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) + mode);
        database_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_URI"));
    } else {
        database_.setDatabaseName(path);
        database_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    // SQLite gives its -wal and -shm files the main file's mode; the mask covers any file
    // it creates during the open itself.
    const mode_t mask = ::umask(077);
    const bool opened = database_.open();
    ::umask(mask);
    if (!opened) {
        const QString reason = Reason(database_.lastError());
        database_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        throw Error(reason);
    }
}

SqliteConnection::~SqliteConnection() {
    database_.close();
    database_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

void SqliteConnection::Exec(const QString& sql) {
    QSqlQuery query(database_);
    if (!query.exec(sql))
        throw Error(Reason(query.lastError()));
}

QSqlQuery SqliteConnection::Prepare(const QString& sql) {
    QSqlQuery query(database_);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw Error(Reason(query.lastError()));
    return query;
}

void SqliteConnection::Exec(QSqlQuery& query, const char* what) {
    if (!query.exec())
        throw Error(QStringLiteral("%1: %2").arg(QLatin1String(what), Reason(query.lastError())));
}

void SqliteConnection::Begin() {
    if (!database_.transaction())
        throw Error(Reason(database_.lastError()));
}

void SqliteConnection::Commit() {
    if (!database_.commit())
        throw Error(Reason(database_.lastError()));
}

void SqliteConnection::Rollback() noexcept {
    database_.rollback();
}

} // namespace journal
