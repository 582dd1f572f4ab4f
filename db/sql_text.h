#pragma once

#include <QString>

// Building blocks of the statements the program sends.

// A name between double quotes; a double quote inside the name is doubled.
QString QuoteIdentifier(const QString& name);

// SELECT * FROM "T"
QString SelectAllStatement(const QString& table);

// SELECT "F" FROM "T"
QString SelectColumnStatement(const QString& table, const QString& column);
