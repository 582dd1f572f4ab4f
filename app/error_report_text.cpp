#include "app/error_report.h"

QString ErrorReportText(const QString& description, const QString& window, const QString& procedure,
                        int step) {
    return description + QLatin1String("\r\n") + QLatin1String("in Quillmark2021/08/31.") + window +
           QLatin1Char('.') + procedure + QLatin1Char(' ') + QLatin1String("at line ") +
           QString::number(step) + QLatin1String("\r\r") +
           QLatin1String("Please email screenshot of this message to ") +
           QLatin1String(SupportAddress);
}
