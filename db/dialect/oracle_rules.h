#pragma once

#include "db/dialect/rules.h"

#include <memory>

namespace db {

// The rules of an Oracle database (db/dialect/oracle_rules.cpp).
std::shared_ptr<const Rules> OracleRules();

} // namespace db
