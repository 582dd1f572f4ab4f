#include "db/dialect/dialect.h"
#include "db/dialect/oracle_rules.h"
#include "db/dialect/postgres_rules.h"

#include "db/connection.h"
#include "db/error.h"
#include "db/odbc_diagnostics.h"
#include "db/recordset.h"
#include "db/sql_text.h"

namespace db {

namespace {

// PostgreSQL and Oracle identities: "=" and the primary key's value; else a ctid with its
// tableoid ("16441:(0,1)": a ctid is unique only within one partition) or a ROWID; an
// address may carry a row version behind '@', which neither form holds.
constexpr QLatin1Char KeyMark('=');
constexpr QLatin1Char VersionMark('@');

std::shared_ptr<const Rules> RulesOf(Dbms dbms) {
    switch (dbms) {
    case Dbms::Oracle:
        return OracleRules();
    case Dbms::PostgreSQL:
        return PostgresRules();
    case Dbms::Other:
        break;
    }
    return std::make_shared<const Rules>();
}

Dbms DbmsNamed(const QString& name) {
    if (name.contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        return Dbms::Oracle;
    if (name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        return Dbms::PostgreSQL;
    return Dbms::Other;
}

void ReadCharacterSets(Connection& connection, const Rules& rules, DialectOptions& options) {
    Statement sets(connection, rules.CatalogueStatements().characterSets);
    sets.Execute({});
    Recordset& row = sets.Result();
    if (!row.IsOpen() || row.Eof())
        return;
    options.charset = row.GetFields()[0].Value().toString();
    options.ncharset = row.GetFields()[1].Value().toString();
}

void ReadKey(Connection& connection, const Rules& rules, const QString& table,
             DialectOptions& options) {
    Statement key(connection, rules.CatalogueStatements().key);
    key.Execute({{rules.TableParameter(table)}});
    Recordset& found = key.Result();
    if (!found.IsOpen() || found.Eof())
        return;
    if (found.GetFields()[2].Value().toInt() > 1) {
        options.compositeKey = true;
        return;
    }
    options.keyColumn = found.GetFields()[0].Value().toString();
    options.keyType = found.GetFields()[1].Value().toString();
}

} // namespace

Dialect::Dialect(Dbms dbms, DialectOptions options) : Dialect(RulesOf(dbms), std::move(options)) {}

Dialect::Dialect(std::shared_ptr<const Rules> rules, DialectOptions options)
    : rules_(std::move(rules)), options_(std::move(options)) {
    options_.namesRows = options_.namesRows && rules_->HasRowIdentity();
}

Dialect Dialect::Of(Connection& connection, const QString& table, DialectOptions options) {
    std::shared_ptr<const Rules> rules = RulesOf(DbmsNamed(DriverInfo(connection, SQL_DBMS_NAME)));
    if (!table.isEmpty() && rules->HasCatalogue()) {
        rules->ReadAbilities(connection, options);
        ReadCharacterSets(connection, *rules, options);
        ReadKey(connection, *rules, table, options);
    }
    return Dialect(std::move(rules), std::move(options));
}

Dialect Dialect::WithoutRowNames() const {
    Dialect plain = *this;
    plain.options_.namesRows = false;
    return plain;
}

Dialect Dialect::WithRowVersions() const {
    Dialect versioned = *this;
    versioned.options_.versions = true;
    return versioned;
}

bool Accepts(Connection& connection, const Dialect& dialect, const QString& statement) {
    return dialect.rules_->Accepts(connection, statement);
}

bool Dialect::HasCatalogue() const {
    return rules_->HasCatalogue();
}

bool Dialect::WriteReturnsRows() const {
    return rules_->ReturnsWrittenRows() && options_.namesRows && !options_.countOnly;
}

bool Dialect::IsKeyIdentity(const QString& id) {
    return id.startsWith(KeyMark);
}

QString Dialect::Versioned(const QString& id, const QString& version) {
    return Unversioned(id) + VersionMark + version;
}

QString Dialect::Version(const QString& id) {
    const qsizetype mark = IsKeyIdentity(id) ? -1 : id.indexOf(VersionMark);
    return mark < 0 ? QString() : id.mid(mark + 1);
}

QString Dialect::Unversioned(const QString& id) {
    const qsizetype mark = IsKeyIdentity(id) ? -1 : id.indexOf(VersionMark);
    return mark < 0 ? id : id.left(mark);
}

bool Dialect::CanWrite(const QString& id) const {
    return !IsKeyIdentity(id) || !options_.keyColumn.isEmpty();
}

bool Dialect::Proves(const QString& id) const {
    return IsKeyIdentity(id) || !options_.versions || !Version(id).isEmpty();
}

QStringList Dialect::IdParameters(const QString& id) const {
    if (IsKeyIdentity(id))
        return {id.mid(1)};
    QStringList parameters = rules_->AddressParameters(Unversioned(id));
    if (options_.versions && !Version(id).isEmpty())
        parameters.append(Version(id));
    return parameters;
}

RowPlace Dialect::Place(const QString& id) const {
    if (id.isEmpty() || IsKeyIdentity(id))
        return {};
    return rules_->Place(id);
}

QStringList Dialect::SessionStatements() const {
    return rules_->SessionStatements();
}

QString Dialect::CountStatement(const QString& table) const {
    return QLatin1String("SELECT COUNT(*) FROM ") + QuoteIdentifier(table);
}

QString ColumnList(const QStringList& columns, const QString& prefix) {
    QStringList quoted;
    for (const QString& column : columns)
        quoted.append(prefix + QuoteIdentifier(column));
    return quoted.join(QLatin1String(", "));
}

QString Dialect::ReadStatement(const QString& table, const QStringList& columns) const {
    QString select = QLatin1String("SELECT ") + ColumnList(columns);
    if (options_.namesRows)
        select += QLatin1String(", ") + rules_->Identity(*this);
    return select + QLatin1String(" FROM ") + QuoteIdentifier(table);
}

QString Dialect::DescribeStatement(const QString& table, const QString& column) const {
    return SelectColumnStatement(table, column) + QLatin1String(" WHERE 1 = 0");
}

QString Dialect::TableKeyStatement(const QString& table) const {
    return rules_->TableKeyStatement(table);
}

QString Dialect::KeyStatement() const {
    return rules_->CatalogueStatements().key;
}

QString Dialect::FactsStatement() const {
    return rules_->CatalogueStatements().facts;
}

QString Dialect::SizeStatement() const {
    return rules_->CatalogueStatements().size;
}

QString Dialect::TableParameter(const QString& table) const {
    return rules_->TableParameter(table);
}

QString Dialect::WriteStatement(const WriteTarget& target, bool keyed) const {
    if (!options_.namesRows)
        return rules_->ValueWriteStatement(*this, target);
    return rules_->WriteStatement(*this, target, keyed);
}

std::vector<ParameterColumn> Dialect::WriteParameters(const std::vector<RowWrite>& rows,
                                                      bool keyed) const {
    return rules_->WriteParameters(*this, rows, keyed);
}

std::vector<ParameterType> Dialect::IdParameterTypes(bool keyed) const {
    return rules_->IdParameterTypes(*this, keyed);
}

std::vector<ParameterType> Dialect::WriteParameterTypes(const WriteTarget& target,
                                                        bool keyed) const {
    return rules_->WriteParameterTypes(*this, target, keyed);
}

QString Dialect::ReadBackStatement(const WriteTarget& target, bool keyed) const {
    return rules_->ReadBackStatement(*this, target, keyed);
}

QString Dialect::CommitMarkStatement(const WriteTarget& target, bool keyed) const {
    return rules_->CommitMarkStatement(*this, target, keyed);
}

QString Dialect::UnreachedStatement(const WriteTarget& target, bool keyed) const {
    return rules_->UnreachedStatement(*this, target, keyed);
}

std::vector<ParameterColumn> Dialect::UnreachedParameters(const std::vector<QString>& ids,
                                                          bool keyed) const {
    return rules_->UnreachedParameters(*this, ids, keyed);
}

Fault Dialect::Classify(const Error& error) const {
    return rules_->Classify(error);
}

bool Dialect::ReadCanReopen(const Error& error) const {
    return rules_->ReadCanReopen(error);
}

} // namespace db
