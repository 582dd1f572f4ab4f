#pragma once

#include "journal/run_journal.h"

#include <QString>

namespace cli {

// One journalled run on one line: "42  2024-05-01 12:00:03  scott  EMP.ENAME  UPPER CASE  "
// then its counts (from the header for a run that ended, from the entries for one that did
// not), or why its journal is damaged; then whether it was stopped, is running, did not end
// or was undone.
QString RunLine(const journal::RunInfo& run);

} // namespace cli
