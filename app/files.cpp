#include "app/files.h"

#include <QCoreApplication>
#include <QFileInfo>

bool FileExists(const QString& path) {
    // A path exists when the file system reports its last-modified time.
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString HandCursorPath() {
    return ProgramFolder() + QLatin1String("/HAND-M.CUR");
}
