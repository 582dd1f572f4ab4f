#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The journal folder's files: run-NNNNNN.sqlite, numbered from 1, each with the lock file
// run-NNNNNN.lock beside it.
namespace journal::files {

QString NameOf(qint64 id);
QString PathOf(const QString& folder, qint64 id);
QString LockPath(const QString& folder, qint64 id);
// The run ids of the folder's journals, ascending.
QList<qint64> Ids(const QString& folder);

struct Stat {
    qint64 id = 0;
    QDateTime lastWrite; // of the journal or its write-ahead log, whichever is later
    qint64 bytes = 0;    // the journal with its write-ahead log
};
Stat StatOf(const QString& folder, qint64 id);
// Every journal of the folder, ascending by id.
QList<Stat> Stats(const QString& folder);

// Creates the folder (and its parents) and makes it owner only (0700).
void MakeFolder(const QString& folder);
// Creates the empty file for a new journal, owner only (0600); false when it exists.
bool CreateFile(const QString& path);
// Removes a journal with its write-ahead log and shared-memory files.
void Remove(const QString& path);

} // namespace journal::files
