#pragma once

#include "casing/case_rules.h"
#include "change/change_run.h"

#include <QList>
#include <QPair>
#include <QString>
#include <functional>

struct DryRunResult {
    qint64 read = 0;
    qint64 wouldChange = 0;
    QList<QPair<QString, QString>> first; // old -> new of the first rows that would change
    bool stopped = false;                 // asked to stop before the read ended
    QString refusal; // why a run would refuse the column (then nothing was read); else empty
};

// Called for every row that would change (old, new), in the order read, as it is read.
using DryRunChange = std::function<void(const QString& before, const QString& after)>;

// Reads the request's current field of its table and converts every value to `mode` (with the
// request's exceptions) without writing anything (no journal either); the progress goes to the
// observer. Throws db::Error when the connection or the read fails; a column the run would
// refuse comes back as the result's refusal. Ends after the slice in hand once
// the waiter's StopRequested() is true.
DryRunResult DryRun(const RunRequest& request, Case::CaseMode mode, RunObserver& observer,
                    RunWaiter& waiter, int sample = 20, const DryRunChange& change = {});

// A value on one line, as the dry run's changes are shown: line breaks and tabs as \r, \n
// and \t, every other control character (C0, DEL, C1) as \xHH, a backslash doubled.
QString OneLine(const QString& text);
