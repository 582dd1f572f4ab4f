#pragma once

#include <QString>
#include <vector>

// What proves a journal complete: every group it recorded is there, numbered without a gap,
// and holds as many entries and outcomes as it recorded when they were written. SQLite reads
// a damaged table as a shorter one without an error; the counts tell.
namespace journal {

class SqliteConnection;

namespace proof {

// One group of entries, as AppendPending wrote it and Settle and Committed kept it.
struct Group {
    qint64 first = 0, last = 0; // its entries' lowest and highest row numbers
    qint64 entries = 0;
    qint64 outcomes = 0; // of its entries, how many have an outcome
    bool committed = false;
    QString mark; // the database's mark of its commit; null when none
};

qint64 GroupChecksum(qint64 number, const Group& group);

// SQLite's own check of the file's structure (its b-tree pages and free pages); throws Error
// with the first fault it names.
void CheckStructure(SqliteConnection& connection);

// The groups by number (from 1); throws Error on one that does not match its checksum or a
// gap in their numbers.
std::vector<Group> ReadGroups(SqliteConnection& connection);

// Counts each group's entries and outcomes as they are read.
class Tally {
public:
    explicit Tally(const std::vector<Group>& groups)
        : groups_(groups), entries_(groups.size()), outcomes_(groups.size()) {}
    // Throws Error when the entry's group is none of the journal's, or the row lies outside it.
    void Add(qint64 group, qint64 row, bool outcome);
    // Throws Error when a group holds other counts than it recorded, or (for a run that ended)
    // the header's count of groups is not theirs.
    void Check(bool ended, qint64 headerGroups) const;

private:
    const std::vector<Group>& groups_;
    std::vector<qint64> entries_, outcomes_;
};

} // namespace proof
} // namespace journal
