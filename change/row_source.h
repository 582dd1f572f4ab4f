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

// The rows of some columns, read in slices from one cursor on the server, so that the client
// holds one slice at a time however large the table is. The cursor keeps its snapshot while
// the rows are written through another connection.
class RowSource {
public:
    // Estimates the rows, then opens the read on the open connection. Where the rows' identity
    // may not be read, the dialect falls back to naming rows by their value.
    void Open(db::Connection& connection, db::Dialect& dialect, const QString& table,
              const QStringList& columns);

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
