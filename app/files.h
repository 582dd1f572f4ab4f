#pragma once

#include <QString>

// True when the file system reports a last-modified time for the path; never fails.
bool FileExists(const QString& path);

// The folder that holds the program file, without a trailing separator.
QString ProgramFolder();

// The optional hand pointer image in the program folder.
QString HandCursorPath();
