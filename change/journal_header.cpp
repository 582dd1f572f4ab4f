#include "change/journal_header.h"

#include "db/connection.h"
#include "db/dialect/dialect.h"
#include "db/recordset.h"
#include "db/statement.h"
#include "db/values.h"

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

QString TableKey(db::Connection& connection, const db::Dialect& dialect, const QString& table) {
    db::Statement statement(connection, dialect.TableKeyStatement(table));
    std::vector<db::ParameterColumn> parameters;
    if (dialect.dbms() != db::Dbms::Other)
        parameters.push_back({dialect.TableParameter(table)});
    statement.Execute(parameters);
    db::Recordset& records = statement.Result();
    return !records.IsOpen() || records.Eof()
               ? QString()
               : NullToDefault(records.GetFields()[0].Value(), QString()).toString();
}

void FinishRunJournal(journal::RunJournal& journal, const RunSummary& summary) {
    journal::RunHeader counts = journal.Header();
    counts.read = summary.read;
    counts.written = summary.written + summary.altered; // altered rows were written too
    counts.unchanged = summary.unchanged;
    counts.refused = summary.refused;
    counts.left = summary.left;
    counts.stopped = summary.stopped;
    journal.Finish(counts);
}
