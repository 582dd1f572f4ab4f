#pragma once

#include "db/dialect/rules.h"

#include <memory>

namespace db {

// The rules of the PostgreSQL server that stands in for Oracle
// (db/dialect/postgres_rules.cpp).
std::shared_ptr<const Rules> PostgresRules();

} // namespace db
