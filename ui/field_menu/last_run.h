#pragma once

#include "change/change_run.h"
#include "db/connection_profile.h"
#include "journal/run_journal.h"

#include <QString>
#include <optional>

// "Undo Last Run...": which run it undoes, and what the window says before and after.
namespace LastRun {

// The newest recase run of this SID, user, table and column in the journals that no undo
// names as the run it undid; none when there is none or the journals cannot be read.
std::optional<journal::RunInfo> Find(const ConnectionProfile& profile, const QString& table,
                                     const QString& column);

// The Yes/No question naming the run's time, case and row count.
QString Question(const journal::RunInfo& run);

// The one message the undo of run `runId` ends with: rows restored, rows left.
QString Outcome(const RunSummary& summary, qint64 runId);

} // namespace LastRun
