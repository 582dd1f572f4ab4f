#pragma once

#include "app/steps.h"

#include <QString>

// The one "Application Error" report of the reporting procedures.

inline constexpr auto ErrorReportTitle = "Application Error";
inline constexpr auto SupportAddress = "support@quillmark.example";

// description CR LF "in Quillmark2021/08/31.WINDOW.PROCEDURE " "at line " STEP CR CR
// "Please email screenshot of this message to " SUPPORT
QString ErrorReportText(const QString& description, const QString& window, const QString& procedure,
                        int step);

// Shows the report through the message seam and waits for OK.
void ShowErrorReport(const QString& description, const QString& window, const QString& procedure,
                     int step);

// The step runner of one run of WINDOW.PROCEDURE, reporting through ShowErrorReport.
Steps ReportingSteps(const QString& window, const QString& procedure);
