#include "ui/field_menu/last_run.h"

namespace LastRun {

std::optional<journal::RunInfo> Find(const ConnectionProfile& profile, const QString& table,
                                     const QString& column) {
    QList<journal::RunInfo> runs;
    try {
        runs = journal::RunJournal::List(journal::ListDepth::Headers);
    } catch (const journal::Error&) {
        return std::nullopt;
    }
    // Newest first: the first match is the last run. A run over several fields names them
    // all in its header.
    for (const journal::RunInfo& run : runs) {
        const journal::RunHeader& header = run.header;
        if (header.kind == QLatin1String("recase") && run.undoneBy == 0 &&
            header.sid == profile.sid && header.user == profile.user && header.table == table &&
            header.column.split(QLatin1String(", ")).contains(column))
            return run;
    }
    return std::nullopt;
}

QString Question(const journal::RunInfo& run) {
    const journal::RunHeader& header = run.header;
    const QString rows = header.ended.isValid()
                             ? QStringLiteral("%1 rows").arg(header.rows.written)
                             : QStringLiteral("an uncounted number of rows (it did not end)");
    return QStringLiteral("Undo the run of %1 that changed %2 of %3.%4 to \"%5\"?\n\nEach row it "
                          "changed gets back its old value, unless another session has changed "
                          "it since.")
        .arg(header.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), rows, header.table,
             header.column, header.mode);
}

QString Outcome(const RunSummary& summary, qint64 runId) {
    if (!summary.started)
        return QStringLiteral("The run could not be undone: %1").arg(summary.failure);
    const QString head = summary.completed ? QStringLiteral("The run was undone.")
                         : summary.stopped ? QStringLiteral("The undo was stopped.")
                                           : QStringLiteral("The undo ended early.");
    QString text = QStringLiteral("%1\nRows restored: %2\nRows left because another session "
                                  "changed them since: %3")
                       .arg(head)
                       .arg(summary.rows.written)
                       .arg(summary.rows.left);
    // The menu offers the run no more: the command line finishes its undo.
    if (!summary.completed)
        text += QStringLiteral("\nThe other rows still hold what the run wrote; \"recapitalizer "
                               "undo %1\" on the command line restores them.")
                    .arg(runId);
    return text;
}

} // namespace LastRun
