#include "sql_literal.h"

namespace bench {

QString EscapeLiteral(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return escaped;
}

} // namespace bench
