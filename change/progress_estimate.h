#pragma once

#include "db/dialect/dialect.h"

#include <QtGlobal>

// The rows a read of a table's pages in order will have read in all. `read`: the rows read so
// far, the latest in page `block`; `pages`: the pages the table holds (0: not known), both
// counted from the page of the first row read (pages before it held none of the rows);
// `estimate`: the database's estimate, taken before the read. The rows read over the share of
// the pages passed take over from the estimate as the read goes: only gradually, since a few
// pages say little of the rest. Never below `read`.
qint64 CorrectedTotal(qint64 read, qint64 block, qint64 pages, qint64 estimate);

// Follows a read through a table's pages, slice by slice, for CorrectedTotal. Rows of another
// relation (a table inheriting from it) do not move it on.
class ReadTotal {
public:
    ReadTotal() = default;
    ReadTotal(qint64 estimate, qint64 pages) : estimate_(estimate), pages_(pages) {}

    // A slice was read, through `read` rows, its first and last row at these places.
    void Read(qint64 read, const db::RowPlace& first, const db::RowPlace& last);
    qint64 Total() const { return total_; }

private:
    qint64 estimate_ = 0;
    qint64 pages_ = 0;
    db::RowPlace start_; // the first row's place
    qint64 block_ = -1;  // the latest row's page, from the first row's
    qint64 total_ = estimate_;
};

// The bar's value: the share of the rows the database confirmed among the rows the read will
// have read in all. It never moves back, though the total is corrected as the read goes.
class ConfirmedShare {
public:
    // Every row through `rows` (counted from 0) is confirmed.
    void Confirm(qint64 rows) { confirmed_ = rows; }
    double Value(qint64 total);

private:
    qint64 confirmed_ = 0;
    double shown_ = 0;
};
