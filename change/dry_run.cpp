#include "change/dry_run.h"

#include "change/row_source.h"
#include "db/values.h"

#include <stdexcept>

DryRunResult DryRun(ChangeRunHost& host, Case::CaseMode mode, int sample) {
    db::Connection connection;
    RowSource source;
    host.SetCanceller([&connection] { connection.Cancel(); });
    const QString table = host.CurrentTable();
    const QString column = host.CurrentField();
    host.Wait([&] {
        connection.Open(OdbcConnectionString(host.Profile()));
        db::Dialect dialect = db::Dialect::Of(connection, table);
        source.Open(connection, dialect, table, column);
    });
    if (!source.IsText())
        throw std::invalid_argument(ChangeMessages::NotText);
    DryRunResult result;
    for (;;) {
        std::vector<SourceRow> slice;
        host.Wait([&] { slice = source.Next(1000); });
        if (slice.empty())
            break;
        for (const SourceRow& row : slice) {
            ++result.read;
            host.SetProgress(
                source.Count() > 0
                    ? std::min(100.0 * double(result.read) / double(source.Count()), 100.0)
                    : 100.0);
            const QString value = NullToDefault(row.value, QString()).toString();
            const QString converted = Case::Convert(mode, value);
            if (converted == value)
                continue;
            if (++result.wouldChange <= sample)
                result.first.append({value, converted});
        }
    }
    return result;
}
