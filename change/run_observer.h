#pragma once

#include "casing/case_rules.h"

#include <QString>
#include <functional>

// What the user sees of a run, an undo or a dry run.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // The busy pointer, on while the run works.
    virtual void SetBusy(bool busy) = 0;
    virtual void SetProgress(double percent) = 0;
    virtual void SetProgressText(const QString& text) = 0;
    // The run ended: the preview shows the column as it is now.
    virtual void RecasePreview(Case::CaseMode mode) = 0;
    // A plain message; returns once it is dismissed.
    virtual void Show(const QString& message) = 0;
    // A fault of a numbered step, in the common report format.
    virtual void Report(const QString& description, int step) = 0;
    // A row the database refused, at its row's step; the run goes on. The windows report the
    // first few only: the run's message before "Done." counts them all.
    virtual void Refused(const QString& description, int step) { Report(description, step); }
    // Something the user should know that needs no answer (the command line prints it; the
    // windows, whose messages are fixed, keep it to themselves).
    virtual void Note(const QString& note) { (void)note; }
};

// How a run waits without holding up the window's thread. This one runs each call in place
// and is never asked to stop, as tests and tools without a window need.
class RunWaiter {
public:
    virtual ~RunWaiter() = default;

    // Runs a call that may wait on the network or on a lock (connect, execute, fetch). A
    // window runs it on a worker thread and keeps handling events meanwhile; it may throw what
    // the call threw. The run hands over once per group of rows, not per row.
    virtual void Wait(const std::function<void()>& call) { call(); }
    // Lets the window handle its events between rows.
    virtual void Yield() {}
    // Asks a call in progress under Wait to stop; may be called from any thread.
    virtual void SetCanceller(std::function<void()> cancel) { (void)cancel; }
    // True once the user asked the run to end early (Esc, Ctrl-C); the run then ends after the
    // group in flight, with its journal consistent.
    virtual bool StopRequested() { return false; }
};
