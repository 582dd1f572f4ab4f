#include "window_host.h"

#include "app/blocking_call.h"
#include "app/window_system.h"
#include "ui/progress_bar.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <chrono>
#include <utility>

namespace {

// Counts the paint events of one widget.
class PaintCounter : public QObject {
public:
    PaintCounter(QObject* parent, int& paints) : QObject(parent), paints_(paints) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return false;
    }

private:
    int& paints_;
};

} // namespace

// Esc on the window: the stop request.
class WindowHost::EscKey : public QObject {
public:
    EscKey(QObject* parent, WindowHost& host) : QObject(parent), host_(host) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
            return false;
        host_.RequestStop();
        return true;
    }

private:
    WindowHost& host_;
};

WindowHost::WindowHost(ConnectionProfile profile, QString table, QString field, QString caseBox)
    : HeadlessHost(std::move(profile), std::move(table), std::move(field), std::move(caseBox),
                   true),
      window_(std::make_unique<QWidget>()) {
    auto* layout = new QVBoxLayout(window_.get());
    bar_ = new ProgressBar(window_.get());
    layout->addWidget(bar_);
    bar_->SetText(QStringLiteral("Progress Bar"));
    window_->resize(480, 60);
    window_->show();
    QCoreApplication::processEvents();
    bar_->installEventFilter(new PaintCounter(bar_, paints_));
    window_->installEventFilter(new EscKey(window_.get(), *this));
}

WindowHost::~WindowHost() = default;

void WindowHost::SetProgress(double percent) {
    HeadlessHost::SetProgress(percent);
    const auto start = std::chrono::steady_clock::now();
    bar_->SetValue(percent);
    progressSeconds_ +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (escPercent_ >= 0 && percent >= escPercent_ && !escPressedAt_) {
        escPressedAt_ = Clock::now();
        QCoreApplication::postEvent(
            window_.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
}

void WindowHost::SetProgressText(const QString& text) {
    bar_->SetText(text);
}

void WindowHost::Yield() {
    CountYield();
    YieldToWindowSystem();
}

void WindowHost::Wait(const std::function<void()>& call) {
    ++waits_;
    WaitOffThread(call, cancel_);
}

void WindowHost::SetCanceller(std::function<void()> cancel) {
    cancel_ = std::move(cancel);
}

void WindowHost::RequestStop() {
    stopRequested_ = true;
    if (cancel_)
        cancel_();
}
