#pragma once

#include "change/change_run.h"
#include "db/connection_profile.h"
#include "journal/run_journal.h"

// What the journal records of a run besides its rows.

// The header of a new recase run (never the password).
journal::RunHeader RecaseHeader(const ConnectionProfile& profile, const QString& table,
                                const QString& column, const QString& mode,
                                const QString& tableKey);

// Writes the end time, the run's counts and whether it was stopped.
void FinishRunJournal(journal::RunJournal& journal, const RunSummary& summary);
