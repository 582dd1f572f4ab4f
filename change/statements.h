#pragma once

#include "db/sql_text.h" // EscapeLiteral

#include <QString>

// The value-keyed statements of a change run, for a database whose rows have no identity.

// SELECT "C" FROM "T"
QString BuildReadStatement(const QString& table, const QString& column);

// UPDATE "T" SET "C" = 'new' WHERE "C" = 'old'
// The texts come already escaped. The WHERE clause keeps the statement to the rows whose
// whole value is the old text, so a value is never rewritten inside a longer one; assigning
// the new text (rather than replacing inside the value) also converts blank-padded CHAR
// values.
QString BuildReplaceStatement(const QString& table, const QString& column,
                              const QString& oldEscaped, const QString& newEscaped);
