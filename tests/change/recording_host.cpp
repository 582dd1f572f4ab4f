#include "recording_host.h"

#include <QTest>

RunRequest RecordingHost::Request() const {
    RunRequest request;
    request.profile = profile;
    request.fieldCount = fieldCount;
    if (!table.isNull())
        request.table.text = table;
    request.table.missing = QStringLiteral("no table selected");
    if (!field.isNull())
        request.field.text = field;
    request.field.missing = QStringLiteral("no field selected");
    request.selected = selected;
    request.caseBox = caseBox;
    return request;
}

RunSummary RunChange(RecordingHost& host) {
    return RunChange(host.Request(), host, host);
}

RunSummary UndoRun(RecordingHost& host, qint64 runId) {
    return UndoRun(host.profile, runId, host, host);
}

void RecordingHost::Yield() {
    ++yields;
    if (onYield)
        onYield(yields);
}

void RecordingHost::RecasePreview(Case::CaseMode mode) {
    recased.append(mode);
    for (QString& text : preview)
        text = Case::Convert(mode, text);
}

QList<int> RecordingHost::reportedSteps() const {
    QList<int> steps;
    for (const auto& report : reports)
        steps.append(report.second);
    return steps;
}

QString RecordingHost::describeReports() const {
    QStringList lines;
    for (const auto& [description, step] : reports)
        lines.append(QStringLiteral("%1: %2").arg(step).arg(description));
    return lines.join(QLatin1Char('\n'));
}

void VerifyEndedAfterOneReport(const RecordingHost& host, int step) {
    QVERIFY2(host.reports.size() == 1, qPrintable(host.describeReports()));
    QCOMPARE(host.reports[0].second, step);
    QVERIFY(host.shown.isEmpty());
    QVERIFY(host.recased.isEmpty());
    QCOMPARE(host.busy.last(), false);
    QCOMPARE(host.progress.last(), 0.0);
}
