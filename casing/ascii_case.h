#pragma once

#include "casing/case_rules.h"

#include <QString>
#include <optional>

// The four one-for-one conversions for a text of ASCII alone, as most stored values are: the
// same result as the general rules (case_rules.h), without their per-unit checks and state.
namespace Case {

// The conversion of a text whose every unit is ASCII (NUL to DEL) in UPPER, lower, Proper
// (of any length, as ConvertValue) or Sentence case; none for Name Case or for a text with
// any other unit, which the general rules convert. A text the mode leaves as it is comes
// back shared, without a copy.
std::optional<QString> ConvertAscii(CaseMode mode, const QString& text);

} // namespace Case
