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
