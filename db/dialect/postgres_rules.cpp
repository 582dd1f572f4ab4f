#include "db/dialect/postgres_rules.h"

#include "db/dialect/postgres.h"
#include "db/sql_text.h"

namespace db {

namespace {

// The key column where the rows are named by their key, else none (by address).
QString KeyOf(const Dialect& dialect, bool keyed) {
    return keyed ? dialect.keyColumn() : QString();
}

// A row named by its address is written only in the version its identity names.
bool InVersion(const Dialect& dialect, bool keyed) {
    return dialect.Options().versions && !keyed;
}

// The stand-in: rows named by their address (ctid and tableoid) or a single-column key, a
// group's rows written in one statement that returns each row written.
class Postgres final : public Rules {
public:
    bool HasRowIdentity() const override { return true; }
    bool ReturnsWrittenRows() const override { return true; }

    QStringList SessionStatements() const override {
        // A scan reads the table's pages in order from the first, so that the page of the
        // latest row read says how far the read has gone: a scan joining one already running
        // would begin mid-table.
        return {QStringLiteral("SET synchronize_seqscans = off")};
    }
    QString Identity(const Dialect& dialect) const override {
        // A write that returns only a count cannot say where a row moved: such a dialect names
        // rows by the primary key when there is one.
        return postgres::Identity(dialect.Options().countOnly ? dialect.keyColumn() : QString());
    }
    QString TableKeyStatement(const QString& /*table*/) const override {
        return QStringLiteral("SELECT CAST(CAST(to_regclass(?) AS oid) AS text)");
    }
    Catalogue CatalogueStatements() const override {
        return {postgres::KeyStatement(), postgres::FactsStatement(), postgres::SizeStatement(),
                postgres::CharacterSetStatement()};
    }
    // to_regclass takes the name as it would stand in a statement.
    QString TableParameter(const QString& table) const override { return QuoteIdentifier(table); }

    QString WriteStatement(const Dialect& dialect, const WriteTarget& target,
                           bool keyed) const override {
        const bool versioned = InVersion(dialect, keyed);
        return dialect.WriteReturnsRows()
                   ? postgres::JoinWriteStatement(target, dialect.keyColumn(), dialect.keyType(),
                                                  keyed, versioned)
                   : postgres::RowWriteStatement(target, KeyOf(dialect, keyed), dialect.keyType(),
                                                 versioned);
    }
    QString ValueWriteStatement(const Dialect& /*dialect*/,
                                const WriteTarget& target) const override {
        return postgres::ValueWriteStatement(target);
    }
    std::vector<ParameterColumn> WriteParameters(const Dialect& dialect,
                                                 const std::vector<RowWrite>& rows,
                                                 bool keyed) const override {
        if (dialect.WriteReturnsRows())
            return postgres::JoinParameters(rows, keyed, InVersion(dialect, keyed));
        return Rules::WriteParameters(dialect, rows, keyed);
    }
    std::vector<ParameterType> WriteParameterTypes(const Dialect& dialect,
                                                   const WriteTarget& target,
                                                   bool keyed) const override {
        // The join write takes arrays as text.
        return dialect.WriteReturnsRows() ? std::vector<ParameterType>()
                                          : RowParameterTypes(dialect, target, keyed);
    }
    std::vector<ParameterType> IdParameterTypes(const Dialect& dialect, bool keyed) const override {
        return std::vector<ParameterType>(keyed ? 1 : 2, IdType(dialect, keyed));
    }
    QStringList AddressParameters(const QString& address) const override {
        // "<tableoid>:<ctid>": the ctid, then the tableoid.
        const qsizetype colon = address.indexOf(QLatin1Char(':'));
        return {address.mid(colon + 1), address.left(colon)};
    }
    RowPlace Place(const QString& id) const override;
    QString ReadBackStatement(const Dialect& dialect, const WriteTarget& target,
                              bool keyed) const override {
        return postgres::ReadBackStatement(target, KeyOf(dialect, keyed), dialect.keyType());
    }
    QString UnreachedStatement(const Dialect& dialect, const WriteTarget& target,
                               bool keyed) const override {
        if (!dialect.UnreachedTogether())
            return postgres::RowUnreachedStatement(target, KeyOf(dialect, keyed), dialect.keyType(),
                                                   InVersion(dialect, keyed));
        return postgres::UnreachedStatement(target, dialect.keyColumn(), dialect.keyType(), keyed,
                                            InVersion(dialect, keyed));
    }
    std::vector<ParameterColumn> UnreachedParameters(const Dialect& dialect,
                                                     const std::vector<QString>& ids,
                                                     bool keyed) const override {
        return dialect.UnreachedTogether()
                   ? postgres::IdArrays(ids, keyed, InVersion(dialect, keyed))
                   : Rules::UnreachedParameters(dialect, ids, keyed);
    }

    Fault Classify(const Error& error) const override { return postgres::Classify(error); }
};

RowPlace Postgres::Place(const QString& id) const {
    // "<tableoid>:(<block>,<offset>)"
    const qsizetype colon = id.indexOf(QLatin1Char(':'));
    const qsizetype comma = id.indexOf(QLatin1Char(','), colon);
    if (colon < 0 || comma < 0 || id.at(colon + 1) != QLatin1Char('('))
        return {};
    bool number = false;
    const qint64 block = QStringView(id).mid(colon + 2, comma - colon - 2).toLongLong(&number);
    return number ? RowPlace{id.left(colon), block} : RowPlace{};
}

} // namespace

std::shared_ptr<const Rules> PostgresRules() {
    return std::make_shared<const Postgres>();
}

} // namespace db
