#include "journal/journal_files.h"

#include "journal/run_journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace journal::files {

QString NameOf(qint64 id) {
    return QStringLiteral("run-%1.sqlite").arg(id, 6, 10, QLatin1Char('0'));
}

QString PathOf(const QString& folder, qint64 id) {
    return folder + QLatin1Char('/') + NameOf(id);
}

QString LockPath(const QString& folder, qint64 id) {
    return folder + QStringLiteral("/run-%1.lock").arg(id, 6, 10, QLatin1Char('0'));
}

QList<qint64> Ids(const QString& folder) {
    static const QRegularExpression pattern(QStringLiteral("^run-(\\d{1,15})\\.sqlite$"));
    QList<qint64> ids;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("run-*.sqlite")}, QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch())
            ids.append(match.captured(1).toLongLong());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

Stat StatOf(const QString& folder, qint64 id) {
    Stat stat;
    stat.id = id;
    const QString path = PathOf(folder, id);
    for (const QString& file : {path, path + QLatin1String("-wal")}) {
        const QFileInfo info(file);
        if (!info.exists())
            continue;
        stat.bytes += info.size();
        stat.lastWrite = std::max(stat.lastWrite, info.lastModified());
    }
    return stat;
}

QList<Stat> Stats(const QString& folder) {
    QList<Stat> stats;
    for (const qint64 id : Ids(folder))
        stats.append(StatOf(folder, id));
    return stats;
}

void MakeFolder(const QString& folder) {
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Cannot create the journal folder %1").arg(folder));
    if (::chmod(QFile::encodeName(folder).constData(), 0700) != 0)
        throw Error(QStringLiteral("Cannot make the journal folder %1 private: %2")
                        .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
}

bool CreateFile(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EEXIST)
        throw Error(QStringLiteral("Cannot create the run journal %1: %2")
                        .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

void Remove(const QString& path) {
    QFile::remove(path + QLatin1String("-wal"));
    QFile::remove(path + QLatin1String("-shm"));
    QFile::remove(path + QLatin1String("-journal"));
    QFile::remove(path);
}

} // namespace journal::files
