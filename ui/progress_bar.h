#pragma once

#include <QElapsedTimer>
#include <QProgressBar>

// A progress bar from 0 to 100 that keeps the exact value it was given and shows a text of
// its own instead of a percentage.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    double Value() const { return value_; }
    void SetValue(double value);
    void SetText(const QString& text);
    // A notice shown instead of the text while it is not empty; the text comes back after.
    void SetNotice(const QString& notice);
    QString text() const override { return notice_.isEmpty() ? text_ : notice_; }

signals:
    void valueSet(double value);

private:
    double value_ = 0;
    QString text_;
    QString notice_;
    QElapsedTimer sincePaint_;
};
