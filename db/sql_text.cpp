#include "db/sql_text.h"

QString QuoteIdentifier(const QString& name) {
    QString doubled = name;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString SelectAllStatement(const QString& table) {
    return QLatin1String("SELECT * FROM ") + QuoteIdentifier(table);
}

QString SelectColumnStatement(const QString& table, const QString& column) {
    return QLatin1String("SELECT ") + QuoteIdentifier(column) + QLatin1String(" FROM ") +
           QuoteIdentifier(table);
}

QString EscapeLiteral(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return escaped;
}

QString AssignWhereEqualStatement(const QString& table, const QString& column,
                                  const QString& oldEscaped, const QString& newEscaped) {
    const QString quotedColumn = QuoteIdentifier(column);
    return QLatin1String("UPDATE ") + QuoteIdentifier(table) + QLatin1String(" SET ") +
           quotedColumn + QLatin1String(" = '") + newEscaped + QLatin1String("' WHERE ") +
           quotedColumn + QLatin1String(" = '") + oldEscaped + QLatin1Char('\'');
}
