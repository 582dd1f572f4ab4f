#include "cli/run_line.h"

#include "cli/summary.h"

namespace cli {

namespace {

QString Counts(const journal::RunInfo& run) {
    if (run.state == journal::RunState::Damaged)
        return QStringLiteral("DAMAGED: %1; undo refuses it").arg(run.damage);
    if (run.state == journal::RunState::Ended) {
        RunSummary counts;
        counts.rows = run.header.rows;
        return SummaryLine(counts);
    }
    // The header has no counts yet: what the entries hold.
    const journal::EntryCounts& counts = run.counts;
    return QStringLiteral("journalled %1: written %2, not written %3, in flight %4")
        .arg(counts.entries)
        .arg(counts.written)
        .arg(counts.notWritten)
        .arg(counts.pending);
}

} // namespace

QString RunLine(const journal::RunInfo& run) {
    const journal::RunHeader& header = run.header;
    if (header.kind.isEmpty())
        return QStringLiteral("%1  DAMAGED journal %2: %3")
            .arg(run.id)
            .arg(run.fileName, run.damage);
    const QString what = header.kind == QLatin1String("undo")
                             ? QStringLiteral("undo of %1").arg(header.undoOf)
                             : header.mode;
    QString line = QStringLiteral("%1  %2  %3  %4.%5  %6  %7")
                       .arg(run.id)
                       .arg(header.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                            header.user, header.table, header.column, what, Counts(run));
    if (run.state == journal::RunState::Ended && header.stopped)
        line += QStringLiteral(" (stopped before its end: the rows after these were not read)");
    if (run.state == journal::RunState::Running)
        line += QStringLiteral(" (running)");
    else if (run.state == journal::RunState::DidNotEnd)
        line += QStringLiteral(" (did not end: killed or closed mid-way)");
    if (run.undoneBy != 0)
        line += QStringLiteral("  undone by %1").arg(run.undoneBy);
    else if (run.partlyUndoneBy != 0)
        line += QStringLiteral("  partly undone by %1").arg(run.partlyUndoneBy);
    return line;
}

} // namespace cli
