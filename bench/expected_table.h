#pragma once

#include "casing/case_rules.h"
#include "db/connection.h"

#include <QString>

// The table a change run ought to leave, computed in this process with the program's own
// case rules, for the modes the server has no set-based equivalent of.
namespace bench {

// Drops and creates `expected` (id, "NAME") holding each row of `source` converted to
// `mode` by Case::Convert. Reads and writes `slice` rows at a time, so this process's memory
// stays flat whatever the table's size.
void CreateExpectedTable(db::Connection& connection, const QString& source, const QString& expected,
                         Case::CaseMode mode, int slice = 5000);

} // namespace bench
