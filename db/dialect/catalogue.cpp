#include "db/dialect/catalogue.h"

#include "db/recordset.h"
#include "db/statement.h"

#include <algorithm>

namespace db {

TableSize EstimateRows(Connection& connection, const Dialect& dialect, const QString& table) {
    // Below this many pages (8 MiB of 8 KiB pages) a count takes a moment.
    constexpr qint64 CountedPages = 1024;
    // Rows a page holds where the database never estimated them: the bar's range is
    // corrected as the read goes.
    constexpr qint64 RowsPerPage = 50;
    const QString size = dialect.SizeStatement();
    if (!size.isEmpty()) {
        Statement facts(connection, size);
        facts.Execute({{dialect.TableParameter(table)}});
        Recordset& row = facts.Result();
        if (row.IsOpen() && !row.Eof() && !row.GetFields()[2].Value().isNull()) {
            const QVariant estimate = row.GetFields()[0].Value();
            const qint64 analysed = row.GetFields()[1].Value().toLongLong();
            const qint64 pages = row.GetFields()[2].Value().toLongLong();
            if (pages >= CountedPages) {
                if (estimate.isNull())
                    return {pages * RowsPerPage, pages};
                // The rows per page when the estimate was taken, over the pages now.
                const double rows = analysed > 0
                                        ? estimate.toDouble() / double(analysed) * double(pages)
                                        : estimate.toDouble();
                return {std::max<qint64>(qint64(rows), 1), pages};
            }
        }
    }
    Recordset counted;
    counted.Open(dialect.CountStatement(table), connection);
    const qint64 rows = counted.GetFields()[0].Value().toLongLong();
    counted.Close();
    return {rows, 0};
}

ColumnFacts ReadColumnFacts(Connection& connection, const Dialect& dialect, const QString& table,
                            const QString& column) {
    if (!dialect.HasCatalogue())
        return {};
    Statement facts(connection, dialect.FactsStatement());
    facts.Execute({{dialect.TableParameter(table)}, {column}});
    Recordset& row = facts.Result();
    if (!row.IsOpen() || row.Eof())
        return {};
    const auto flag = [&](int index) { return row.GetFields()[index].Value().toInt() > 0; };
    return {true, flag(0), flag(1), flag(2), flag(3), flag(4), flag(5), flag(6), flag(7)};
}

QString ReadTableKey(Connection& connection, const Dialect& dialect, const QString& table) {
    Statement key(connection, dialect.TableKeyStatement(table));
    std::vector<ParameterColumn> parameters;
    if (dialect.HasCatalogue())
        parameters.push_back({dialect.TableParameter(table)});
    key.Execute(parameters);
    Recordset& row = key.Result();
    if (!row.IsOpen() || row.Eof())
        return {};
    const QVariant value = row.GetFields()[0].Value();
    return value.isNull() ? QString() : value.toString();
}

} // namespace db
