#pragma once

#include "headless_host.h"

#include <QWidget>
#include <memory>

class ProgressBar;

// The headless host with the work window's costs per row: the progress goes to the
// program's progress bar, shown in a window, and each yield goes through the program's
// window system. Needs a QApplication.
class WindowHost : public HeadlessHost {
public:
    WindowHost(ConnectionProfile profile, QString table, QString field);
    ~WindowHost() override;

    void SetProgress(double percent) override;
    void SetProgressText(const QString& text) override;
    void Yield() override;

    // How often the bar painted itself during the run, and the seconds spent setting its
    // value (a change of the whole-number value repaints it at once).
    int Paints() const { return paints_; }
    double ProgressSeconds() const { return progressSeconds_; }

private:
    std::unique_ptr<QWidget> window_;
    ProgressBar* bar_ = nullptr;
    int paints_ = 0;
    double progressSeconds_ = 0;
};
