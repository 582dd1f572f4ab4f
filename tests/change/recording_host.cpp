#include "recording_host.h"

#include <QTest>
#include <stdexcept>

QString RecordingHost::CurrentTable() {
    if (table.isNull())
        throw std::runtime_error("no table selected");
    return table;
}

QString RecordingHost::CurrentField() {
    if (field.isNull())
        throw std::runtime_error("no field selected");
    return field;
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
    QCOMPARE(host.pointers.last(), 0);
    QCOMPARE(host.progress.last(), 0.0);
}
