#pragma once

#include <QtGlobal>

namespace journal {

// How many rows a run read and what became of them: a run's summary, and what its journal's
// header keeps once it ends.
struct RowCounts {
    qint64 read = 0;      // rows read
    qint64 written = 0;   // rows converted in the database
    qint64 unchanged = 0; // rows holding the value they would get already: nothing was sent
    qint64 refused = 0;   // rows the database refused (each reported)
    qint64 left = 0;      // rows another session had changed since the read: left alone

    RowCounts& operator+=(const RowCounts& other) {
        read += other.read;
        written += other.written;
        unchanged += other.unchanged;
        refused += other.refused;
        left += other.left;
        return *this;
    }
    bool operator==(const RowCounts&) const = default;
};

} // namespace journal
