#pragma once

#include "headless_host.h"

#include <QWidget>
#include <memory>
#include <optional>

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
    bool StopRequested() override { return stopRequested_; }

    // Posts an Esc key press to the window once the bar passes `percent`; the window takes it
    // as the work window does: the run is asked to stop and the call it waits on cancelled.
    void PressEscAt(double percent) { escPercent_ = percent; }
    // When the Esc key press was posted, if it was.
    std::optional<Clock::time_point> EscPressedAt() const { return escPressedAt_; }

    // How often the bar painted itself during the run, and the seconds spent setting its
    // value.
    int Paints() const { return paints_; }
    double ProgressSeconds() const { return progressSeconds_; }
    int Waits() const { return waits_; }

private:
    class EscKey;
    void RequestStop();

    std::unique_ptr<QWidget> window_;
    ProgressBar* bar_ = nullptr;
    int paints_ = 0;
    int waits_ = 0;
    std::function<void()> cancel_;
    double progressSeconds_ = 0;
    double escPercent_ = -1;
    std::optional<Clock::time_point> escPressedAt_;
    bool stopRequested_ = false;
};
