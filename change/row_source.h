#pragma once

#include "db/connection.h"
#include "db/dialect/dialect.h"
#include "db/recordset.h"

#include <QString>
#include <QVariant>
#include <vector>

// One row of the column being changed: its value (a null QVariant for NULL) and, where the
// database names rows, its identity.
struct SourceRow {
    QVariant value;
    QString id;
};

// The rows of one column, read in slices from one cursor on the server, so that the client
// holds one slice at a time however large the table is. The cursor keeps its snapshot while
// the rows are written through another connection.
class RowSource {
public:
    // Counts the rows, then opens the read on the open connection. Where the rows' identity
    // may not be read, the dialect falls back to naming rows by their value.
    void Open(db::Connection& connection, db::Dialect& dialect, const QString& table,
              const QString& column);

    // The row count taken before the read (rows added since are read too).
    qint64 Count() const { return count_; }
    bool IsText() const;
    // A blank-padded character column (CHAR, NCHAR).
    bool FixedWidth() const;

    // Up to `count` further rows; fewer only at the end.
    std::vector<SourceRow> Next(int count);
    bool AtEnd() const;
    void Close();

private:
    db::Recordset records_;
    qint64 count_ = 0;
};
