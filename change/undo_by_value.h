#pragma once

#include "change/group_writer.h"

#include <map>
#include <vector>

// Puts back rows whose identity no longer names them (the table was rewritten, or rows moved
// since the run) by their value, where that is unambiguous: every such row that holds a given
// new value has the same old value, and the table holds exactly as many rows with that value
// as there are such rows (rows already in the case were never journalled but may hold it too).
// Every other row stays left alone.
class UndoByValue {
public:
    // A row the undo could not find by its identity; counted in GroupResult::left already.
    void Add(const PendingRow& row);
    bool Empty() const { return values_.empty(); }

    // Writes each unambiguous value in a transaction of its own, kept only when it changed
    // exactly the expected number of rows; moves those rows from left to written and
    // journals them as written by value (no identity).
    void Restore(db::Connection& connection, const db::Dialect& dialect,
                 const db::WriteTarget& target, journal::RunJournal* journal,
                 const GroupWriter::Wait& wait, GroupResult& result);

private:
    struct Value {
        QString old;
        bool ambiguous = false;
        std::vector<PendingRow> rows;
    };
    std::map<QString, Value> values_; // by the value the run wrote
};
