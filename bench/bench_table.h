#pragma once

#include "db/connection.h"

#include <QString>
#include <QStringList>

// The benchmark's tables: "id" integer primary key and a text column "NAME" of mixed-case
// names and titles.
namespace bench {

inline const QString NameColumn = QStringLiteral("NAME");

// Drops and creates the table, fills it with rows 1..rows in one INSERT ... SELECT, adds an
// index on "NAME" when asked, and refreshes the planner's statistics. Every table filled
// with the same row count holds the same values.
void CreateFilledTable(db::Connection& connection, const QString& table, int rows, bool indexed);

// Rows whose "NAME" differs between two tables, matched by id (a row missing from one side
// counts), computed by the server.
qint64 CountDifferences(db::Connection& connection, const QString& left, const QString& right);

// Up to `limit` differing rows as "id: left | right", in id order.
QStringList SampleDifferences(db::Connection& connection, const QString& left, const QString& right,
                              int limit);

// The mean length of "NAME" in characters.
double MeanLength(db::Connection& connection, const QString& table);

} // namespace bench
