#include "change/statements.h"

#include "db/sql_text.h"

#include <QLatin1StringView>

QString EscapeLiteral(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1StringView("''"));
    return escaped;
}

QString BuildReadStatement(const QString& table, const QString& column) {
    return SelectColumnStatement(table, column);
}

QString BuildReplaceStatement(const QString& table, const QString& column,
                              const QString& oldEscaped, const QString& newEscaped) {
    static constexpr QLatin1StringView kUpdate("UPDATE ");
    static constexpr QLatin1StringView kSet(" SET ");
    static constexpr QLatin1StringView kReplace(" = REPLACE(");
    static constexpr QLatin1StringView kOpenOld(",'");
    static constexpr QLatin1StringView kBetween("','");
    static constexpr QLatin1StringView kCloseNew("')");
    static constexpr QLatin1StringView kWhere(" WHERE ");
    static constexpr QLatin1StringView kEqualsOpen(" = '");
    static constexpr QLatin1Char kClose('\'');

    const QString quotedTable = QuoteIdentifier(table);
    const QString quotedColumn = QuoteIdentifier(column);

    QString statement;
    statement.reserve(kUpdate.size() + quotedTable.size() + kSet.size() + 3 * quotedColumn.size() +
                      kReplace.size() + kOpenOld.size() + 2 * oldEscaped.size() + kBetween.size() +
                      newEscaped.size() + kCloseNew.size() + kWhere.size() + kEqualsOpen.size() +
                      1);
    statement.append(kUpdate)
        .append(quotedTable)
        .append(kSet)
        .append(quotedColumn)
        .append(kReplace)
        .append(quotedColumn)
        .append(kOpenOld)
        .append(oldEscaped)
        .append(kBetween)
        .append(newEscaped)
        .append(kCloseNew)
        .append(kWhere)
        .append(quotedColumn)
        .append(kEqualsOpen)
        .append(oldEscaped)
        .append(kClose);
    return statement;
}
