#pragma once

#include <QList>
#include <QString>

// The journal folder's files: run-NNNNNN.sqlite, numbered from 1.
namespace journal::files {

QString NameOf(qint64 id);
// The run ids of the folder's journals, ascending.
QList<qint64> Ids(const QString& folder);
// Creates the folder (and its parents) and makes it owner only (0700).
void MakeFolder(const QString& folder);
// Creates the empty file for a new journal, owner only (0600), with the first free id
// above `above`; its id. Never takes over a file another process created meanwhile.
qint64 CreateFile(const QString& folder, qint64 above);
// Removes a journal with its write-ahead log and shared-memory files.
void Remove(const QString& path);

} // namespace journal::files
