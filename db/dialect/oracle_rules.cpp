#include "db/dialect/oracle_rules.h"

#include "db/dialect/oracle.h"
#include "db/error.h"

#include <sql.h>
#include <sqlext.h>

namespace db {

namespace {

// The key column where the write names rows by their key, else none (by ROWID).
QString KeyOf(const Dialect& dialect, bool keyed) {
    return keyed ? dialect.keyColumn() : QString();
}

// Oracle: rows named by ROWID or a single-column key, one parameter set per row with only a
// count back, binary comparison for the session.
class Oracle final : public Rules {
public:
    bool HasRowIdentity() const override { return true; }

    QStringList SessionStatements() const override {
        return {QStringLiteral("ALTER SESSION SET NLS_COMP = BINARY NLS_SORT = BINARY")};
    }
    QString Identity(const Dialect& dialect) const override {
        return oracle::Identity(dialect.keyColumn(), dialect.keyType());
    }
    QString TableKeyStatement(const QString& /*table*/) const override {
        return QStringLiteral(
            "SELECT OBJECT_ID FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE' AND OBJECT_NAME = ?");
    }
    Catalogue CatalogueStatements() const override {
        return {oracle::KeyStatement(), oracle::FactsStatement(), oracle::SizeStatement(),
                oracle::CharacterSetStatement()};
    }
    void ReadAbilities(Connection& connection, DialectOptions& options) const override {
        // Whether COLLATE BINARY is taken is asked, not inferred from the release: without it
        // the session's binary NLS_COMP and NLS_SORT alone make the comparison.
        options.collate = Accepts(connection, oracle::CollateProbe());
        options.nationalText = !oracle::LacksNationalText(DriverInfo(connection, SQL_DRIVER_NAME));
    }

    QString WriteStatement(const Dialect& dialect, const WriteTarget& target,
                           bool keyed) const override {
        return oracle::WriteStatement(target, KeyOf(dialect, keyed), dialect.keyType(),
                                      dialect.Options().collate,
                                      dialect.Options().versions && !keyed);
    }
    std::vector<ParameterType> WriteParameterTypes(const Dialect& dialect,
                                                   const WriteTarget& target,
                                                   bool keyed) const override {
        return RowParameterTypes(dialect, target, keyed);
    }
    std::vector<ParameterType> IdParameterTypes(const Dialect& dialect, bool keyed) const override {
        return {IdType(dialect, keyed)};
    }
    QString ReadBackStatement(const Dialect& dialect, const WriteTarget& target,
                              bool keyed) const override {
        return oracle::ReadBackStatement(target, KeyOf(dialect, keyed), dialect.keyType());
    }
    QString CommitMarkStatement(const Dialect& dialect, const WriteTarget& target,
                                bool keyed) const override {
        return oracle::CommitMarkStatement(target, KeyOf(dialect, keyed), dialect.keyType());
    }
    QString UnreachedStatement(const Dialect& dialect, const WriteTarget& target,
                               bool keyed) const override {
        return oracle::UnreachedStatement(target, KeyOf(dialect, keyed), dialect.keyType(),
                                          dialect.Options().versions && !keyed);
    }

    Fault Classify(const Error& error) const override { return oracle::Classify(error); }
    bool ReadCanReopen(const Error& error) const override {
        // ORA-01555: the read's snapshot is too old.
        return error.nativeCode() == 1555 || Rules::ReadCanReopen(error);
    }
};

} // namespace

std::shared_ptr<const Rules> OracleRules() {
    return std::make_shared<const Oracle>();
}

} // namespace db
