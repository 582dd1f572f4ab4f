#include "app/error_report.h"

#include "app/messages.h"

void ShowErrorReport(const QString& description, const QString& window, const QString& procedure,
                     int step) {
    ShowMessage(Message{ErrorReportText(description, window, procedure, step),
                        QLatin1String(ErrorReportTitle), MessageIcon::Warning});
}

Steps ReportingSteps(const QString& window, const QString& procedure) {
    return Steps([window, procedure](const QString& description, int step) {
        ShowErrorReport(description, window, procedure, step);
    });
}
