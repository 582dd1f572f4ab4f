#include "db/dialect/dialect.h"
#include "db/dialect/oracle.h"
#include "db/dialect/postgres.h"

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

QString InfoText(Connection& connection, SQLUSMALLINT item) {
    SQLWCHAR buffer[128] = {};
    SQLSMALLINT length = 0;
    odbc::Check(SQLGetInfoW(connection.handle(), item, buffer, sizeof buffer, &length),
                SQL_HANDLE_DBC, connection.handle(), "SQLGetInfo");
    return odbc::FromWide(buffer, length / qsizetype(sizeof(SQLWCHAR)));
}

} // namespace

Dialect::Dialect(Dbms dbms, DialectOptions options) : dbms_(dbms), options_(std::move(options)) {
    options_.namesRows = options_.namesRows && dbms != Dbms::Other;
}

Dialect Dialect::Of(Connection& connection, const QString& table) {
    const QString name = InfoText(connection, SQL_DBMS_NAME);
    Dialect dialect(Dbms::Other);
    if (name.contains(QLatin1String("Oracle"), Qt::CaseInsensitive))
        dialect = Dialect(Dbms::Oracle);
    else if (name.contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive))
        dialect = Dialect(Dbms::PostgreSQL);
    if (table.isEmpty() || dialect.dbms_ == Dbms::Other)
        return dialect;
    if (dialect.dbms_ == Dbms::Oracle) {
        // Whether COLLATE BINARY is taken is asked, not inferred from the release: without
        // it the session's binary NLS_COMP and NLS_SORT alone make the comparison.
        dialect.options_.collate = Accepts(connection, dialect, oracle::CollateProbe());
        dialect.options_.nationalText =
            !oracle::LacksNationalText(InfoText(connection, SQL_DRIVER_NAME));
    }
    {
        Statement sets(connection, dialect.dbms_ == Dbms::Oracle
                                       ? oracle::CharacterSetStatement()
                                       : postgres::CharacterSetStatement());
        sets.Execute({});
        Recordset& row = sets.Result();
        if (row.IsOpen() && !row.Eof())
            dialect = dialect.WithCharacterSets(row.GetFields()[0].Value().toString(),
                                                row.GetFields()[1].Value().toString());
    }
    Statement key(connection, dialect.KeyStatement());
    key.Execute({{dialect.TableParameter(table)}});
    Recordset& found = key.Result();
    if (!found.IsOpen() || found.Eof())
        return dialect;
    if (found.GetFields()[2].Value().toInt() > 1) {
        dialect.options_.compositeKey = true;
        return dialect;
    }
    return dialect.WithKey(found.GetFields()[0].Value().toString(),
                           found.GetFields()[1].Value().toString());
}

Dialect Dialect::WithKey(const QString& column, const QString& type) const {
    Dialect keyed = *this;
    keyed.options_.keyColumn = column;
    keyed.options_.keyType = type;
    return keyed;
}

Dialect Dialect::WithoutRowNames() const {
    Dialect plain = *this;
    plain.options_.namesRows = false;
    return plain;
}

Dialect Dialect::WithCountOnlyWrites() const {
    Dialect counted = *this;
    counted.options_.countOnly = true;
    return counted;
}

Dialect Dialect::WithCollate(bool collate) const {
    Dialect collated = *this;
    collated.options_.collate = collate;
    return collated;
}

Dialect Dialect::WithCharacterSets(const QString& database, const QString& national) const {
    Dialect sets = *this;
    sets.options_.charset = database;
    sets.options_.ncharset = national;
    return sets;
}

Dialect Dialect::WithoutNationalText() const {
    Dialect narrow = *this;
    narrow.options_.nationalText = false;
    return narrow;
}

bool Accepts(Connection& connection, const Dialect& dialect, const QString& statement) {
    try {
        Statement(connection, statement).Execute({});
        return true;
    } catch (const Error& error) {
        const Fault fault = dialect.Classify(error);
        if (fault != Fault::Row && fault != Fault::MissingObject)
            throw;
        return false;
    }
}

Dialect Dialect::WithRowVersions() const {
    Dialect versioned = *this;
    versioned.options_.versions = true;
    return versioned;
}

bool Dialect::WriteReturnsRows() const {
    return dbms_ == Dbms::PostgreSQL && options_.namesRows && !options_.countOnly;
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
    const QString address = Unversioned(id);
    QStringList parameters{address};
    if (dbms_ == Dbms::PostgreSQL) {
        const qsizetype colon = address.indexOf(QLatin1Char(':'));
        parameters = QStringList{address.mid(colon + 1), address.left(colon)};
    }
    if (options_.versions && !Version(id).isEmpty())
        parameters.append(Version(id));
    return parameters;
}

RowPlace Dialect::Place(const QString& id) const {
    if (dbms_ != Dbms::PostgreSQL || id.isEmpty() || IsKeyIdentity(id))
        return {};
    // "<tableoid>:(<block>,<offset>)"
    const qsizetype colon = id.indexOf(QLatin1Char(':'));
    const qsizetype comma = id.indexOf(QLatin1Char(','), colon);
    if (colon < 0 || comma < 0 || id.at(colon + 1) != QLatin1Char('('))
        return {};
    bool number = false;
    const qint64 block = QStringView(id).mid(colon + 2, comma - colon - 2).toLongLong(&number);
    return number ? RowPlace{id.left(colon), block} : RowPlace{};
}

QStringList Dialect::SessionStatements() const {
    if (dbms_ == Dbms::Oracle)
        return {QStringLiteral("ALTER SESSION SET NLS_COMP = BINARY NLS_SORT = BINARY")};
    // A scan reads the table's pages in order from the first, so that the page of the latest
    // row read says how far the read has gone: a scan joining one already running would
    // begin mid-table.
    if (dbms_ == Dbms::PostgreSQL)
        return {QStringLiteral("SET synchronize_seqscans = off")};
    return {};
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
    // A write that returns only a count cannot say where a row moved: such a dialect names
    // rows by the primary key when there is one.
    const QString key =
        options_.countOnly || dbms_ == Dbms::Oracle ? options_.keyColumn : QString();
    QString select = QLatin1String("SELECT ") + ColumnList(columns);
    if (options_.namesRows && dbms_ != Dbms::Other)
        select +=
            QLatin1String(", ") + (dbms_ == Dbms::Oracle ? oracle::Identity(key, options_.keyType)
                                                         : postgres::Identity(key));
    return select + QLatin1String(" FROM ") + QuoteIdentifier(table);
}

QString Dialect::DescribeStatement(const QString& table, const QString& column) const {
    return SelectColumnStatement(table, column) + QLatin1String(" WHERE 1 = 0");
}

QString Dialect::TableKeyStatement(const QString& table) const {
    switch (dbms_) {
    case Dbms::Oracle:
        return QStringLiteral(
            "SELECT OBJECT_ID FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE' AND OBJECT_NAME = ?");
    case Dbms::PostgreSQL:
        return QStringLiteral("SELECT CAST(CAST(to_regclass(?) AS oid) AS text)");
    case Dbms::Other:
        break;
    }
    return QLatin1String("SELECT '' FROM ") + QuoteIdentifier(table) +
           QLatin1String(" WHERE 1 = 0");
}

QString Dialect::KeyStatement() const {
    return dbms_ == Dbms::Oracle ? oracle::KeyStatement() : postgres::KeyStatement();
}

QString Dialect::FactsStatement() const {
    return dbms_ == Dbms::Oracle ? oracle::FactsStatement() : postgres::FactsStatement();
}

QString Dialect::SizeStatement() const {
    switch (dbms_) {
    case Dbms::Oracle:
        return oracle::SizeStatement();
    case Dbms::PostgreSQL:
        return postgres::SizeStatement();
    case Dbms::Other:
        break;
    }
    return {};
}

QString Dialect::TableParameter(const QString& table) const {
    // to_regclass takes the name as it would stand in a statement.
    return dbms_ == Dbms::PostgreSQL ? QuoteIdentifier(table) : table;
}

QString Dialect::WriteStatement(const WriteTarget& target, bool keyed) const {
    const QString key = keyed ? options_.keyColumn : QString();
    if (!options_.namesRows) {
        if (dbms_ == Dbms::PostgreSQL)
            return postgres::ValueWriteStatement(target);
        // The same exact guard as a write by identity.
        const QString column = QuoteIdentifier(target.columns.value(0));
        return QLatin1String("UPDATE ") + QuoteIdentifier(target.table) + QLatin1String(" SET ") +
               column + QLatin1String(" = ? WHERE ") + column +
               (options_.collate ? QLatin1String(" COLLATE BINARY = ?") : QLatin1String(" = ?"));
    }
    const bool versioned = options_.versions && !keyed;
    if (dbms_ == Dbms::Oracle)
        return oracle::WriteStatement(target, key, options_.keyType, options_.collate, versioned);
    if (options_.countOnly)
        return postgres::RowWriteStatement(target, key, options_.keyType, versioned);
    return postgres::JoinWriteStatement(target, options_.keyColumn, options_.keyType, keyed,
                                        versioned);
}

std::vector<ParameterColumn> Dialect::WriteParameters(const std::vector<RowWrite>& rows,
                                                      bool keyed) const {
    if (WriteReturnsRows())
        return postgres::JoinParameters(rows, keyed, options_.versions && !keyed);
    // One set per row: the new values, the row's identity, the guards (each twice where a
    // column may be left as it is: "? IS NULL OR guard").
    const std::size_t width = rows.front().values.size();
    const bool several = width > 1;
    std::vector<ParameterColumn> columns;
    for (const RowWrite& row : rows) {
        std::vector<QString> set(row.values);
        if (options_.namesRows) {
            const QStringList ids = IdParameters(row.id);
            set.insert(set.end(), ids.begin(), ids.end());
        }
        for (const QString& guard : row.guards) {
            set.push_back(guard);
            if (several)
                set.push_back(guard);
        }
        columns.resize(set.size());
        for (std::size_t p = 0; p < set.size(); ++p)
            columns[p].push_back(set[p]);
    }
    return columns;
}

std::vector<ParameterType> Dialect::IdParameterTypes(bool keyed) const {
    if (dbms_ == Dbms::Other)
        return {};
    // A ROWID, a ctid or tableoid, an integer key: plain text; a character key as its column.
    const bool national = keyed && (options_.keyType == QLatin1String("NCHAR") ||
                                    options_.keyType == QLatin1String("NVARCHAR2"));
    const ParameterType type{national, charset::WidthOf(CharacterSet(national))};
    return std::vector<ParameterType>(!keyed && dbms_ == Dbms::PostgreSQL ? 2 : 1, type);
}

std::vector<ParameterType> Dialect::WriteParameterTypes(const WriteTarget& target,
                                                        bool keyed) const {
    // The stand-in's join write takes arrays as text; another database keeps to wide text.
    if (WriteReturnsRows() || dbms_ == Dbms::Other)
        return {};
    std::vector<ParameterType> columns;
    for (std::size_t k = 0; k < std::size_t(target.columns.size()); ++k) {
        const bool national = target.national.empty() || target.national[k];
        columns.push_back({national, charset::WidthOf(CharacterSet(national))});
    }
    // WriteParameters' order: the new values, the identity, the guards.
    std::vector<ParameterType> types(columns);
    if (options_.namesRows) {
        const std::vector<ParameterType> id = IdParameterTypes(keyed);
        types.insert(types.end(), id.begin(), id.end());
    }
    for (const ParameterType& column : columns) {
        types.push_back(column);
        if (columns.size() > 1)
            types.push_back(column);
    }
    return types;
}

QString Dialect::ReadBackStatement(const WriteTarget& target, bool keyed) const {
    const QString key = keyed ? options_.keyColumn : QString();
    if (dbms_ == Dbms::Oracle)
        return oracle::ReadBackStatement(target, key, options_.keyType);
    return postgres::ReadBackStatement(target, key, options_.keyType);
}

QString Dialect::CommitMarkStatement(const WriteTarget& target, bool keyed) const {
    if (dbms_ != Dbms::Oracle)
        return {};
    return oracle::CommitMarkStatement(target, keyed ? options_.keyColumn : QString(),
                                       options_.keyType);
}

QString Dialect::UnreachedStatement(const WriteTarget& target, bool keyed) const {
    const QString key = keyed ? options_.keyColumn : QString();
    const bool versioned = options_.versions && !keyed;
    if (dbms_ == Dbms::Oracle)
        return oracle::UnreachedStatement(target, key, options_.keyType, versioned);
    if (UnreachedTogether())
        return postgres::UnreachedStatement(target, options_.keyColumn, options_.keyType, keyed,
                                            versioned);
    return postgres::RowUnreachedStatement(target, key, options_.keyType, versioned);
}

std::vector<ParameterColumn> Dialect::UnreachedParameters(const std::vector<QString>& ids,
                                                          bool keyed) const {
    if (UnreachedTogether())
        return postgres::IdArrays(ids, keyed, options_.versions && !keyed);
    std::vector<ParameterColumn> columns;
    for (const QString& id : ids) {
        QStringList set = IdParameters(id);
        // The version comes first, in the select list.
        if (set.size() > IdParameters(Unversioned(id)).size())
            set.move(set.size() - 1, 0);
        columns.resize(std::size_t(set.size()));
        for (qsizetype p = 0; p < set.size(); ++p)
            columns[std::size_t(p)].push_back(set[p]);
    }
    return columns;
}

Fault Dialect::Classify(const Error& error) const {
    switch (dbms_) {
    case Dbms::Oracle:
        return oracle::Classify(error);
    case Dbms::PostgreSQL:
        return postgres::Classify(error);
    case Dbms::Other:
        break;
    }
    if (error.connectionLost())
        return Fault::ConnectionLost;
    if (error.sqlState() == QLatin1String("42S02") || error.sqlState() == QLatin1String("42S22"))
        return Fault::MissingObject;
    return error.sqlState() == QLatin1String("HY008") ? Fault::Cancelled : Fault::Row;
}

bool Dialect::ReadCanReopen(const Error& error) const {
    return (dbms_ == Dbms::Oracle && error.nativeCode() == 1555) ||
           Classify(error) == Fault::ConnectionLost;
}

TableSize EstimateRows(Connection& connection, const Dialect& dialect, const QString& table) {
    // Below this many pages (8 MiB of 8 KiB pages) a count takes a moment.
    constexpr qint64 CountedPages = 1024;
    // Rows a page holds where the database never estimated them: the bar's range is
    // corrected as the read goes.
    constexpr qint64 RowsPerPage = 50;
    const QString size = dialect.SizeStatement();
    if (!size.isEmpty()) {
        Statement facts(connection, size);
        facts.Execute({{dialect.TableParameter(table)}});
        Recordset& row = facts.Result();
        if (row.IsOpen() && !row.Eof() && !row.GetFields()[2].Value().isNull()) {
            const QVariant estimate = row.GetFields()[0].Value();
            const qint64 analysed = row.GetFields()[1].Value().toLongLong();
            const qint64 pages = row.GetFields()[2].Value().toLongLong();
            if (pages >= CountedPages) {
                if (estimate.isNull())
                    return {pages * RowsPerPage, pages};
                // The rows per page when the estimate was taken, over the pages now.
                const double rows = analysed > 0
                                        ? estimate.toDouble() / double(analysed) * double(pages)
                                        : estimate.toDouble();
                return {std::max<qint64>(qint64(rows), 1), pages};
            }
        }
    }
    Recordset counted;
    counted.Open(dialect.CountStatement(table), connection);
    const qint64 rows = counted.GetFields()[0].Value().toLongLong();
    counted.Close();
    return {rows, 0};
}

ColumnFacts ReadColumnFacts(Connection& connection, const Dialect& dialect, const QString& table,
                            const QString& column) {
    if (dialect.dbms() == Dbms::Other)
        return {};
    Statement facts(connection, dialect.FactsStatement());
    facts.Execute({{dialect.TableParameter(table)}, {column}});
    Recordset& row = facts.Result();
    if (!row.IsOpen() || row.Eof())
        return {};
    const auto flag = [&](int index) { return row.GetFields()[index].Value().toInt() > 0; };
    return {true, flag(0), flag(1), flag(2), flag(3), flag(4), flag(5), flag(6), flag(7)};
}

QString ReadTableKey(Connection& connection, const Dialect& dialect, const QString& table) {
    Statement key(connection, dialect.TableKeyStatement(table));
    std::vector<ParameterColumn> parameters;
    if (dialect.dbms() != Dbms::Other)
        parameters.push_back({dialect.TableParameter(table)});
    key.Execute(parameters);
    Recordset& row = key.Result();
    if (!row.IsOpen() || row.Eof())
        return {};
    const QVariant value = row.GetFields()[0].Value();
    return value.isNull() ? QString() : value.toString();
}

} // namespace db
