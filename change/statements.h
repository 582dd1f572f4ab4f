#pragma once

#include <QString>

// The two statements of a change run.

// Every single quote doubled; nothing else altered.
QString EscapeLiteral(const QString& text);

// SELECT "C" FROM "T"
QString BuildReadStatement(const QString& table, const QString& column);

// UPDATE "T" SET "C" = REPLACE("C",'old','new') WHERE "C" = 'old'
// The texts come already escaped. The WHERE clause keeps the statement to the rows whose
// whole value is the old text, so a value is never rewritten inside a longer one.
QString BuildReplaceStatement(const QString& table, const QString& column,
                              const QString& oldEscaped, const QString& newEscaped);
