#pragma once

#include "change/change_run.h"

// Puts back the old value of every row of a journalled run (runId 0: the newest run that is
// not an undo, was not undone and wrote rows) that it can prove the run wrote and that still
// holds the value the run wrote: named by the primary key, or by its address in the version
// the run's write made. Every other row is left alone and counted left; rows journalled but
// never written, and rows holding their old value already, count as unchanged. Refuses
// (summary.started false, summary.failure says why), before writing anything, a journal
// that is missing, still in use by its run, or damaged (any checksum of it that does not
// match), or that belongs to another database, user or table. Writes a
// journal of its own, so an undo can be undone. Connects with `profile`; reports progress and
// faults to the observer and shows no message.
RunSummary UndoRun(const ConnectionProfile& profile, qint64 runId, RunObserver& observer,
                   RunWaiter& waiter);
