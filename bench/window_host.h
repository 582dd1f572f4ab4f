#pragma once

#include "headless_host.h"

#include <QWidget>
#include <memory>

class ProgressBar;

// The headless host with the work window's costs: the progress goes to the program's
// progress bar, shown in a window, each yield goes through the program's window system, and
// each wait runs its call on a worker thread while the window keeps handling events
// (WaitOffThread, as in the work window). Needs a QApplication.
class WindowHost : public HeadlessHost {
public:
    WindowHost(ConnectionProfile profile, QString table, QString field, QString caseBox);
    ~WindowHost() override;

    void SetProgress(double percent) override;
    void SetProgressText(const QString& text) override;
    void Yield() override;
    void Wait(const std::function<void()>& call) override;
    void SetCanceller(std::function<void()> cancel) override;

    // How often the bar painted itself during the run, and the seconds spent setting its
    // value.
    int Paints() const { return paints_; }
    double ProgressSeconds() const { return progressSeconds_; }
    int Waits() const { return waits_; }

private:
    std::unique_ptr<QWidget> window_;
    ProgressBar* bar_ = nullptr;
    int paints_ = 0;
    int waits_ = 0;
    std::function<void()> cancel_;
    double progressSeconds_ = 0;
};
