#pragma once

#include "db/connection.h"
#include "db/dialect/dialect.h"
#include "db/recordset.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// One row of the columns being changed: their values (a null QVariant for NULL) and, where
// the database names rows, its identity.
struct SourceRow {
    std::vector<QVariant> values;
    QString id;
};

// How a read names its rows.
enum class RowNaming {
    AsDialect, // as the dialect it was opened with names them
    ByValue,   // by their old value: the user may not read the rows' identity
};

// The rows of some columns, read in slices from one cursor on the server, so that the client
// holds one slice at a time however large the table is. The cursor keeps its snapshot while
// the rows are written through another connection.
class RowSource {
public:
    // Estimates the rows, then opens the read on the open connection. Where the dialect names
    // rows but the user may not read their identity (a grant of the columns alone), the rows
    // are read without it, and ByValue says that the writes must name them by value.
    [[nodiscard]] RowNaming Open(db::Connection& connection, const db::Dialect& dialect,
                                 const QString& table, const QStringList& columns);

    // The rows the table held before the read, as the database estimates them (counted for a
    // small table); rows added since are read too.
    qint64 Count() const { return size_.rows; }
    // The pages the table held before the read, where Count is an estimate; 0 where it was
    // counted.
    qint64 Pages() const { return size_.pages; }
    // The driver's word on column k: character data; blank-padded (CHAR, NCHAR).
    bool IsText(int column = 0) const;
    bool FixedWidth(int column = 0) const;
    std::vector<bool> FixedWidths() const;

    // Up to `count` further rows; fewer only at the end.
    std::vector<SourceRow> Next(int count);
    bool AtEnd() const;
    void Close();

private:
    db::Recordset records_;
    db::TableSize size_;
    int columns_ = 1;
};
