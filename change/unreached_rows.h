#pragma once

#include "change/group_writer.h"

#include <span>
#include <vector>

// Why a write did not reach a row, told by reading the row back by its identity once its
// group settled.
enum class Unreached {
    // In the version its identity names and still holding the value the write required, yet
    // not written: a row-level security policy (Oracle: Virtual Private Database) withheld it.
    Withheld,
    Already, // holds the value the write would have given it
    Changed, // gone, or changed by another session since
};

// One outcome per row, in order: one statement for all of them where the dialect takes an
// array of identities, else one per row. The rows share one kind of identity. Throws
// db::Error.
std::vector<Unreached> ReadUnreached(db::Connection& connection, const db::Dialect& dialect,
                                     const db::WriteTarget& target,
                                     std::span<const PendingRow* const> rows);
