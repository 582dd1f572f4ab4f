#include "cli/console_host.h"

#include "cli/console.h"
#include "cli/interrupt.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cli {

namespace {

constexpr int BarWidth = 40;

} // namespace

void ConsoleHost::SetProgress(double percent) {
    const int whole = std::clamp(static_cast<int>(std::floor(percent)), 0, 100);
    if (whole > 0 && !rowsMoving_) {
        rowsMoving_ = true;
        FlushReports();
    }
    // The run sets the bar back to 0 at its end: no news on the console.
    if (whole <= highest_)
        return;
    highest_ = whole;
    if (ErrIsTerminal()) {
        shownPercent_ = whole;
        const int filled = whole * BarWidth / 100;
        ErrRaw(QStringLiteral("\r[%1%2] %3%")
                   .arg(QString(filled, QLatin1Char('#')),
                        QString(BarWidth - filled, QLatin1Char(' ')))
                   .arg(whole, 3));
        barDrawn_ = true;
        return;
    }
    // Without a terminal, one line for each 10% reached.
    while (decile_ < whole / 10) {
        ++decile_;
        Err(QStringLiteral("%1%").arg(decile_ * 10));
    }
}

void ConsoleHost::Report(const QString& description, int step) {
    reported_.append(description.simplified());
    const QString line = QStringLiteral("step %1: %2").arg(step).arg(description.simplified());
    if (!rowsMoving_) {
        heldReports_.append(line);
        return;
    }
    ClearBar();
    Err(line);
}

bool ConsoleWaiter::StopRequested() {
    return InterruptRequested();
}

void ConsoleHost::ClearBar() {
    if (!barDrawn_)
        return;
    ErrRaw(QStringLiteral("\r%1\r").arg(QString(BarWidth + 8, QLatin1Char(' '))));
    shownPercent_ = -1;
}

void ConsoleHost::EndProgress() {
    if (barDrawn_ && shownPercent_ >= 0)
        ErrRaw(QStringLiteral("\n"));
    barDrawn_ = false;
    shownPercent_ = -1;
}

void ConsoleHost::FlushReports() {
    ClearBar();
    for (const QString& line : std::as_const(heldReports_))
        Err(line);
    heldReports_.clear();
}

void ConsoleHost::Note(const QString& note) {
    ClearBar();
    Err(note);
}

QStringList ConsoleHost::Shown() const {
    QStringList shown = shown_;
    shown.removeAll(QLatin1String(ChangeMessages::Done));
    return shown;
}

bool ConsoleHost::Reported(const QString& description) const {
    return reported_.contains(description.simplified());
}

QString ConsoleHost::Cause(const RunSummary& summary) const {
    if (!summary.failure.isEmpty())
        return summary.failure;
    for (auto message = shown_.crbegin(); message != shown_.crend(); ++message) {
        if (*message != QLatin1String(ChangeMessages::Done))
            return *message;
    }
    return heldReports_.join(QLatin1String("; "));
}

} // namespace cli
