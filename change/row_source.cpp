#include "change/row_source.h"

void RowSource::Open(db::Connection& connection, db::Dialect& dialect, const QString& table,
                     const QString& column) {
    db::Recordset counted;
    counted.Open(dialect.CountStatement(table), connection);
    count_ = counted.GetFields()[0].Value().toLongLong();
    counted.Close();
    try {
        records_.Open(dialect.ReadStatement(table, column), connection);
    } catch (const db::Error& error) {
        // A user granted only the column may not read the row identity: rows are then
        // named by their old value.
        if (error.sqlState() != QLatin1String("42501") || !dialect.NamesRows())
            throw;
        dialect = dialect.WithoutRowNames();
        records_.Open(dialect.ReadStatement(table, column), connection);
    }
}

bool RowSource::IsText() const {
    const db::Fields& fields = records_.GetFields();
    return fields.Count() >= 1 && fields[0].IsText();
}

bool RowSource::FixedWidth() const {
    return records_.GetFields()[0].IsFixedWidth();
}

std::vector<SourceRow> RowSource::Next(int count) {
    std::vector<SourceRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    const db::Fields& fields = records_.GetFields();
    const bool named = fields.Count() >= 2;
    while (static_cast<int>(rows.size()) < count && !records_.Eof()) {
        rows.push_back({fields[0].Value(), named ? fields[1].Value().toString() : QString()});
        records_.MoveNext();
    }
    return rows;
}

bool RowSource::AtEnd() const {
    return records_.Eof();
}

void RowSource::Close() {
    records_.Close();
}
