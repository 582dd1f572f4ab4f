#include "change/statements.h"

QString BuildReadStatement(const QString& table, const QString& column) {
    return SelectColumnStatement(table, column);
}

QString BuildReplaceStatement(const QString& table, const QString& column,
                              const QString& oldEscaped, const QString& newEscaped) {
    return AssignWhereEqualStatement(table, column, oldEscaped, newEscaped);
}
