#include "recording_host.h"

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
