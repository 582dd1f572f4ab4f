#include "db/dialect/rules.h"

#include "db/charset.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/odbc_diagnostics.h"
#include "db/sql_text.h"

namespace db {

QString Rules::TableKeyStatement(const QString& table) const {
    return QLatin1String("SELECT '' FROM ") + QuoteIdentifier(table) +
           QLatin1String(" WHERE 1 = 0");
}

QString Rules::ValueWriteStatement(const Dialect& dialect, const WriteTarget& target) const {
    // The same exact guard as a write by identity.
    const QString column = QuoteIdentifier(target.columns.value(0));
    return QLatin1String("UPDATE ") + QuoteIdentifier(target.table) + QLatin1String(" SET ") +
           column + QLatin1String(" = ? WHERE ") + column +
           (dialect.Options().collate ? QLatin1String(" COLLATE BINARY = ?")
                                      : QLatin1String(" = ?"));
}

std::vector<ParameterColumn> Rules::WriteParameters(const Dialect& dialect,
                                                    const std::vector<RowWrite>& rows,
                                                    bool /*keyed*/) const {
    // One set per row: the new values, the row's identity, the guards (each twice where a
    // column may be left as it is: "? IS NULL OR guard").
    const std::size_t width = rows.front().values.size();
    const bool several = width > 1;
    std::vector<ParameterColumn> columns;
    for (const RowWrite& row : rows) {
        std::vector<QString> set(row.values);
        if (dialect.NamesRows()) {
            const QStringList ids = dialect.IdParameters(row.id);
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

std::vector<ParameterColumn> Rules::UnreachedParameters(const Dialect& dialect,
                                                        const std::vector<QString>& ids,
                                                        bool /*keyed*/) const {
    std::vector<ParameterColumn> columns;
    for (const QString& id : ids) {
        QStringList set = dialect.IdParameters(id);
        // The version comes first, in the select list.
        if (set.size() > dialect.IdParameters(Dialect::Unversioned(id)).size())
            set.move(set.size() - 1, 0);
        columns.resize(std::size_t(set.size()));
        for (qsizetype p = 0; p < set.size(); ++p)
            columns[std::size_t(p)].push_back(set[p]);
    }
    return columns;
}

Fault Rules::Classify(const Error& error) const {
    if (error.connectionLost())
        return Fault::ConnectionLost;
    if (error.sqlState() == QLatin1String("42S02") || error.sqlState() == QLatin1String("42S22"))
        return Fault::MissingObject;
    return error.sqlState() == QLatin1String("HY008") ? Fault::Cancelled : Fault::Row;
}

bool Rules::ReadCanReopen(const Error& error) const {
    return Classify(error) == Fault::ConnectionLost;
}

bool Rules::Accepts(Connection& connection, const QString& statement) const {
    try {
        Statement(connection, statement).Execute({});
        return true;
    } catch (const Error& error) {
        const Fault fault = Classify(error);
        if (fault != Fault::Row && fault != Fault::MissingObject)
            throw;
        return false;
    }
}

std::vector<ParameterType> Rules::RowParameterTypes(const Dialect& dialect,
                                                    const WriteTarget& target, bool keyed) {
    std::vector<ParameterType> columns;
    for (std::size_t k = 0; k < std::size_t(target.columns.size()); ++k) {
        const bool national = target.national.empty() || target.national[k];
        columns.push_back({national, charset::WidthOf(dialect.CharacterSet(national))});
    }
    // WriteParameters' order: the new values, the identity, the guards.
    std::vector<ParameterType> types(columns);
    if (dialect.NamesRows()) {
        const std::vector<ParameterType> id = dialect.IdParameterTypes(keyed);
        types.insert(types.end(), id.begin(), id.end());
    }
    for (const ParameterType& column : columns) {
        types.push_back(column);
        if (columns.size() > 1)
            types.push_back(column);
    }
    return types;
}

ParameterType Rules::IdType(const Dialect& dialect, bool keyed) {
    // A ROWID, a ctid or tableoid, an integer key: plain text; a character key as its column.
    const bool national = keyed && (dialect.keyType() == QLatin1String("NCHAR") ||
                                    dialect.keyType() == QLatin1String("NVARCHAR2"));
    return {national, charset::WidthOf(dialect.CharacterSet(national))};
}

QString DriverInfo(Connection& connection, unsigned short item) {
    SQLWCHAR buffer[128] = {};
    SQLSMALLINT length = 0;
    odbc::Check(SQLGetInfoW(connection.handle(), item, buffer, sizeof buffer, &length),
                SQL_HANDLE_DBC, connection.handle(), "SQLGetInfo");
    return odbc::FromWide(buffer, length / qsizetype(sizeof(SQLWCHAR)));
}

} // namespace db
