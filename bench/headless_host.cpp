#include "headless_host.h"

#include <QCoreApplication>
#include <utility>

HeadlessHost::HeadlessHost(ConnectionProfile profile, QString table, QString field)
    : profile_(std::move(profile)), table_(std::move(table)), field_(std::move(field)) {}

void HeadlessHost::Yield() {
    CountYield();
    QCoreApplication::processEvents();
}

void HeadlessHost::Report(const QString& description, int step) {
    reports_.append(QStringLiteral("step %1: %2").arg(step).arg(description));
}

QStringList HeadlessHost::Faults() const {
    QStringList faults = reports_;
    if (shown_ != QStringList{QLatin1String(ChangeMessages::Done)})
        faults.append(QStringLiteral("messages shown: ") + shown_.join(QStringLiteral(" / ")));
    return faults;
}
