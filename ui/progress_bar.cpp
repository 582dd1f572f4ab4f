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
    // The bar repaints only when its whole-number value changes: at most 101 times a run.
    QProgressBar::setValue(static_cast<int>(std::floor(value)));
    emit valueSet(value);
}

void ProgressBar::SetText(const QString& text) {
    text_ = text;
    update();
}
