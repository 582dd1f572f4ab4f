#pragma once

#include "db/dialect/dialect.h"

namespace db {

// What one database does its own way, behind Dialect: how its rows are named, its statements,
// its catalogue and what its errors mean. The defaults are those of a database the program
// knows only by its SQL (Dbms::Other): no row identity, no catalogue, writes by value. Each
// database the program knows overrides what differs, in a file of its own (OracleRules,
// PostgresRules). The session's options come in the Dialect passed.
class Rules {
public:
    Rules() = default;
    Rules(const Rules&) = delete;
    Rules& operator=(const Rules&) = delete;
    virtual ~Rules() = default;

    // Rows carry an identity that a read selects and a write names.
    virtual bool HasRowIdentity() const { return false; }
    // One statement writes a group's rows and returns each row written (see
    // Dialect::WriteReturnsRows).
    virtual bool ReturnsWrittenRows() const { return false; }

    virtual QStringList SessionStatements() const { return {}; }
    // What the read statement selects after the columns to name each row.
    virtual QString Identity(const Dialect&) const { return {}; }
    virtual QString TableKeyStatement(const QString& table) const;
    // The statements that read the catalogue (see Dialect): the table's key, a column's facts,
    // the table's size, and in one row the database's and the national character set.
    struct Catalogue {
        QString key, facts, size, characterSets;
    };
    virtual Catalogue CatalogueStatements() const { return {}; }
    // The catalogue tells a table's key, a column's facts and the table's size.
    bool HasCatalogue() const { return !CatalogueStatements().key.isEmpty(); }
    virtual QString TableParameter(const QString& table) const { return table; }
    // Asks the database and its driver what they can do, for a run.
    virtual void ReadAbilities(Connection&, DialectOptions&) const {}

    // The write of rows named by their identity; none without one.
    virtual QString WriteStatement(const Dialect&, const WriteTarget&, bool) const { return {}; }
    // The write of rows named by their old value.
    virtual QString ValueWriteStatement(const Dialect& dialect, const WriteTarget& target) const;
    virtual std::vector<ParameterColumn>
    WriteParameters(const Dialect& dialect, const std::vector<RowWrite>& rows, bool keyed) const;
    virtual std::vector<ParameterType> WriteParameterTypes(const Dialect&, const WriteTarget&,
                                                           bool) const {
        return {};
    }
    virtual std::vector<ParameterType> IdParameterTypes(const Dialect&, bool) const { return {}; }
    // The parameters that name a row by its address (without its version).
    virtual QStringList AddressParameters(const QString& address) const { return {address}; }
    virtual RowPlace Place(const QString&) const { return {}; }
    virtual QString ReadBackStatement(const Dialect&, const WriteTarget&, bool) const { return {}; }
    virtual QString CommitMarkStatement(const Dialect&, const WriteTarget&, bool) const {
        return {};
    }
    virtual QString UnreachedStatement(const Dialect&, const WriteTarget&, bool) const {
        return {};
    }
    virtual std::vector<ParameterColumn>
    UnreachedParameters(const Dialect& dialect, const std::vector<QString>& ids, bool keyed) const;

    virtual Fault Classify(const Error& error) const;
    virtual bool ReadCanReopen(const Error& error) const;

    // Whether the database runs the statement (see db::Accepts).
    bool Accepts(Connection& connection, const QString& statement) const;

protected:
    // A write's parameter types with one set per row: the new values, the identity, the
    // guards, each bound as the column it is compared with or written into.
    static std::vector<ParameterType> RowParameterTypes(const Dialect& dialect,
                                                        const WriteTarget& target, bool keyed);
    // How an identity's parameters are bound: plain text, or a character key as its column.
    static ParameterType IdType(const Dialect& dialect, bool keyed);
};

// What the driver says of itself and its database through SQLGetInfo (an SQL_ item).
QString DriverInfo(Connection& connection, unsigned short item);

} // namespace db
