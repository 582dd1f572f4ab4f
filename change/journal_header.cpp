#include "change/journal_header.h"

journal::RunHeader RecaseHeader(const ConnectionProfile& profile, const QString& table,
                                const QString& column, const QString& mode,
                                const QString& tableKey) {
    journal::RunHeader header;
    header.sid = profile.sid;
    header.user = profile.user;
    header.table = table;
    header.column = column;
    header.mode = mode;
    header.tableKey = tableKey;
    return header;
}

void FinishRunJournal(journal::RunJournal& journal, const RunSummary& summary) {
    journal::RowCounts rows = summary.rows;
    rows.written += summary.altered; // altered rows were written too
    journal.Finish(rows, summary.stopped);
}
