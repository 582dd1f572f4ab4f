#pragma once

#include "db/dialect/dialect.h"

// The statements of the PostgreSQL server that stands in for Oracle.
namespace db::postgres {

// The row's identity as the read statement selects it: by address, or by the key.
QString Identity(const QString& key);
// One row: the server's encoding, twice (it has no national set).
QString CharacterSetStatement();
QString KeyStatement();
QString FactsStatement();
QString SizeStatement();
QString JoinWriteStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                           bool keyed, bool versioned = false);
QString RowWriteStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                          bool versioned = false);
QString ValueWriteStatement(const WriteTarget& target);
QString ReadBackStatement(const WriteTarget& target, const QString& key, const QString& keyType);
// The join write's parameters: the rows' identities, guards and values as array texts.
std::vector<ParameterColumn> JoinParameters(const std::vector<RowWrite>& rows, bool keyed,
                                            bool versioned = false);
// The rows a write did not reach, joined by identity (UnreachedTogether).
QString UnreachedStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                           bool keyed, bool versioned);
// One row a write did not reach, for a write that returns only a count.
QString RowUnreachedStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                              bool versioned);
std::vector<ParameterColumn> IdArrays(const std::vector<QString>& ids, bool keyed, bool versioned);
Fault Classify(const Error& error);

} // namespace db::postgres
