#pragma once

#include <QString>

// Building blocks of the statements the program sends.

// A name between double quotes; a double quote inside the name is doubled.
QString QuoteIdentifier(const QString& name);

// SELECT * FROM "T"
QString SelectAllStatement(const QString& table);

// SELECT "F" FROM "T"
QString SelectColumnStatement(const QString& table, const QString& column);

// Every single quote doubled; nothing else altered.
QString EscapeLiteral(const QString& text);

// UPDATE "T" SET "C" = 'new' WHERE "C" = 'old', the texts already escaped: the value-keyed
// write, which touches only rows whose whole value is the old text.
QString AssignWhereEqualStatement(const QString& table, const QString& column,
                                  const QString& oldEscaped, const QString& newEscaped);
