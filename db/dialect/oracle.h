#pragma once

#include "db/dialect/dialect.h"

// The statements of an Oracle database.
namespace db::oracle {

// The row's identity as the read statement selects it: by address, or by the key.
QString Identity(const QString& key, const QString& keyType);
QString KeyStatement();
QString FactsStatement();
QString SizeStatement();
// Runs where a condition may carry COLLATE BINARY.
QString CollateProbe();
// One row: the database's and the national character set.
QString CharacterSetStatement();
// The driver registered under that name is Microsoft's old one, which knows no NCHAR,
// NVARCHAR2 or NCLOB (its SQL_DRIVER_NAME is MSORCL32.DLL).
bool LacksNationalText(const QString& driverName);
QString WriteStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                       bool collate, bool versioned = false);
QString ReadBackStatement(const WriteTarget& target, const QString& key, const QString& keyType);
QString CommitMarkStatement(const WriteTarget& target, const QString& key, const QString& keyType);
// One row a write did not reach, by its key or ROWID: whether it is in its version, its values.
QString UnreachedStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                           bool versioned);
Fault Classify(const Error& error);

} // namespace db::oracle
