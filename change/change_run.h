#pragma once

#include "change/run_observer.h"
#include "change/run_request.h"
#include "journal/row_counts.h"

#include <QString>

// The CPU time of the run's stages that have threads of their own, in seconds (converting is
// done on the thread that called the run).
struct StageSeconds {
    double read = 0;
    double journal = 0;
    double write = 0;
};

// What a run did, row by row, for the command line's summary and the journal's header.
struct RunSummary {
    journal::RowCounts rows;     // unchanged: already in the chosen case, nothing sent
    qint64 altered = 0;          // written, but the database stored another value (a trigger)
    qint64 fieldsLeft = 0;       // selected fields the run left as they are (each named)
    bool started = false;        // connected and read a text column of an existing table
    bool completed = false;      // the run reached its end ("Done.")
    bool connectionLost = false; // ended early: the connection was lost
    bool stopped = false;        // ended early on request
    QString failure;             // why the run could not start or ended early, if it did
    QString journal;             // the journal's file name, empty without one
    StageSeconds cpu;            // where the client's time went
};

namespace ChangeMessages {
inline constexpr auto SelectField = "Please select a field.";
inline constexpr auto NoMode = "mess up";
inline constexpr auto Done = "Done.";
inline constexpr auto NotText = "The selected field does not hold text; nothing was changed.";
inline constexpr auto Generated =
    "The selected field is computed by the database and cannot be written; nothing was changed.";
inline constexpr auto LargeObject =
    "The selected field is a large object (CLOB, NCLOB or LONG), whose values cannot be "
    "compared safely; nothing was changed.";
inline constexpr auto NotATable =
    "The selected table is a view or another object whose rows cannot be named; nothing was "
    "changed.";
inline constexpr auto MayNotUpdate = "You may not update the selected field; nothing was changed.";
inline constexpr auto TableNotWritable =
    "The selected table cannot be written (read only, external, a nested table, an overflow "
    "segment, a materialized view that cannot be updated, or in the recycle bin); nothing was "
    "changed.";
// %1: the character set, %2: the character (U+039C).
inline constexpr auto Unheld =
    "The database's character set %1 has no %2, which the converted text holds; the row was "
    "left as it is.";
inline constexpr auto NationalText =
    "The selected field holds national character data (NCHAR or NVARCHAR2), which the "
    "registered Oracle driver cannot write; nothing was changed.";
// %1: the fields, each with why.
inline constexpr auto FieldsLeft =
    "These selected fields cannot be changed and are left as they are: %1.";
inline constexpr auto OneFieldAtATime =
    "The rows of the selected table cannot be named, so its fields can only be changed one at "
    "a time; nothing was changed.";
inline constexpr auto AddressedRows =
    "The table has no primary key: its undo finds rows by their addresses, and restores only "
    "those still in the version the run wrote.";
inline constexpr auto CompositeKey =
    "The table's primary key has several columns: its undo finds rows by their addresses, and "
    "restores only those still in the version the run wrote.";
inline constexpr auto WithheldByPolicy =
    "A row-level security policy withheld the row from the update";
// %1: how many rows.
inline constexpr auto Altered =
    "The database stored %1 of the rows written in another form than the one sent (a trigger "
    "changed them). The journal holds what was stored, so they can be undone.";
// Before "Done.", when rows were not changed. %1: how many, "row was" or "rows were", and
// the parts below joined by ", ".
inline constexpr auto NotChanged = "%1 not changed: %2.";
// %1: how many, and the database's reason for the first where it gave one.
inline constexpr auto RefusedPart = "%1 refused by the database";
inline constexpr auto FirstReason = " (first reason: %1)";
inline constexpr auto LeftPart = "%1 changed by another session since they were read";
// %1: why.
inline constexpr auto JournalFailed =
    "The run journal could not be written (%1). The run stopped; every row written so far is "
    "in the journal and can be undone.";
} // namespace ChangeMessages

// Rewrites every value of the request's current field of its table to the case its case box
// names (or its chosen case): reads the column once, sends one replace statement per row in
// the order read, shows progress, then recases the preview and says "Done.".
RunSummary RunChange(const RunRequest& request, RunObserver& observer, RunWaiter& waiter);
