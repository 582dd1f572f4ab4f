#pragma once

#include "change/change_run.h"
#include "db/connection_profile.h"
#include "journal/run_journal.h"

namespace db {
class Connection;
class Dialect;
} // namespace db

// What the journal records of a run besides its rows.

// The header of a new recase run (never the password).
journal::RunHeader RecaseHeader(const ConnectionProfile& profile, const QString& table,
                                const QString& column, const QString& mode,
                                const QString& tableKey);

// The table's object id on the server, empty where the database has none; refuses to undo
// into another table of the same name.
QString TableKey(db::Connection& connection, const db::Dialect& dialect, const QString& table);

// Writes the end time, the run's counts and whether it was stopped.
void FinishRunJournal(journal::RunJournal& journal, const RunSummary& summary);
