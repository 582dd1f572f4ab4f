#include "change/row_source.h"
#include "db/dialect/catalogue.h"

RowNaming RowSource::Open(db::Connection& connection, const db::Dialect& dialect,
                          const QString& table, const QStringList& columns) {
    columns_ = int(columns.size());
    size_ = db::EstimateRows(connection, dialect, table);
    try {
        records_.Open(dialect.ReadStatement(table, columns), connection);
        return RowNaming::AsDialect;
    } catch (const db::Error& error) {
        // A user granted only the columns may not read the row identity.
        if (error.sqlState() != QLatin1String("42501") || !dialect.NamesRows())
            throw;
    }
    records_.Open(dialect.WithoutRowNames().ReadStatement(table, columns), connection);
    return RowNaming::ByValue;
}

bool RowSource::IsText(int column) const {
    const db::Fields& fields = records_.GetFields();
    return fields.Count() > column && fields[column].IsText();
}

bool RowSource::FixedWidth(int column) const {
    return records_.GetFields()[column].IsFixedWidth();
}

std::vector<bool> RowSource::FixedWidths() const {
    std::vector<bool> widths;
    for (int column = 0; column < columns_; ++column)
        widths.push_back(FixedWidth(column));
    return widths;
}

std::vector<SourceRow> RowSource::Next(int count) {
    std::vector<SourceRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    const db::Fields& fields = records_.GetFields();
    const bool named = fields.Count() > columns_;
    while (static_cast<int>(rows.size()) < count && !records_.Eof()) {
        SourceRow& row = rows.emplace_back();
        row.values.reserve(std::size_t(columns_));
        for (int column = 0; column < columns_; ++column)
            row.values.push_back(fields[column].Value());
        if (named)
            row.id = fields[columns_].Value().toString();
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
