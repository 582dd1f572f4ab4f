#include "ui/progress_bar.h"

#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    QProgressBar::setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void ProgressBar::SetValue(double value) {
    value_ = value;
    // Setting a new whole-number value repaints the bar at once. A screen shows about 60
    // frames a second, so in between a new value waits for the next one; the ends of the
    // range are always shown.
    const int whole = static_cast<int>(std::floor(value));
    const bool end = whole <= minimum() || whole >= maximum();
    if (whole != QProgressBar::value() &&
        (end || !sincePaint_.isValid() || sincePaint_.elapsed() >= 16)) {
        QProgressBar::setValue(whole);
        sincePaint_.start();
    }
    emit valueSet(value);
}

void ProgressBar::SetText(const QString& text) {
    text_ = text;
    update();
}

void ProgressBar::SetNotice(const QString& notice) {
    notice_ = notice;
    update();
}
