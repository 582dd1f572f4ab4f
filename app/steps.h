#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <utility>

// Runs the numbered steps of a reporting procedure. A step that throws is reported with
// its number, and the procedure goes on with its next step; whatever the failed step would
// have set keeps its earlier value.
class Steps {
public:
    using Reporter = std::function<void(const QString& description, int step)>;

    explicit Steps(Reporter report) : report_(std::move(report)) {}

    // Runs one step; false when it failed (and was reported).
    template <class Action> bool Run(int step, Action&& action) {
        current_ = step;
        try {
            std::forward<Action>(action)();
            return true;
        } catch (const std::exception& e) {
            Report(QString::fromUtf8(e.what()));
        } catch (...) {
            Report(QStringLiteral("Unknown error"));
        }
        return false;
    }

    // A test step: its answer, or true when the test itself failed (a failing test counts
    // as passed, so the guarded branch runs).
    template <class Condition> bool Test(int step, Condition&& condition) {
        bool answer = true;
        Run(step, [&] { answer = std::forward<Condition>(condition)(); });
        return answer;
    }

    // Reports a fault found at a step, as if the step had failed with it.
    void ReportAt(int step, const QString& description) {
        current_ = step;
        Report(description);
    }

    // The step in progress (0 before the first).
    int Current() const { return current_; }
    int Failures() const { return failures_; }

private:
    void Report(const QString& description) {
        ++failures_;
        report_(description, current_);
    }

    Reporter report_;
    int current_ = 0;
    int failures_ = 0;
};
