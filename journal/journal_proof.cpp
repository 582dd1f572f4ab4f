#include "journal/journal_proof.h"

#include "journal/checksum.h"
#include "journal/run_journal.h"
#include "journal/sqlite_connection.h"

namespace journal::proof {

qint64 GroupChecksum(qint64 number, const Group& group) {
    return Checksum()
        .Add(number)
        .Add(group.first)
        .Add(group.last)
        .Add(group.entries)
        .Add(group.outcomes)
        .Add(qint64(group.committed))
        .AddNullable(group.mark)
        .Value();
}

void CheckStructure(SqliteConnection& connection) {
    // quick_check finds the same damage as integrity_check here: the journal has no index
    // whose content it could compare with its table's.
    QSqlQuery check = connection.Prepare(QStringLiteral("PRAGMA quick_check(1)"));
    SqliteConnection::Exec(check, "checking its structure");
    const QString verdict = check.next() ? check.value(0).toString() : QString();
    if (verdict != QLatin1String("ok"))
        throw Error(QStringLiteral("SQLite finds its structure damaged (%1)")
                        .arg(verdict.simplified().left(200)));
}

std::vector<Group> ReadGroups(SqliteConnection& connection) {
    QSqlQuery query = connection.Prepare(
        QStringLiteral("SELECT \"group\", first, last, entries, outcomes, committed, mark, "
                       "checksum FROM \"groups\" ORDER BY \"group\""));
    SqliteConnection::Exec(query, "reading the groups");
    std::vector<Group> groups;
    while (query.next()) {
        const qint64 number = query.value(0).toLongLong();
        Group group{query.value(1).toLongLong(),
                    query.value(2).toLongLong(),
                    query.value(3).toLongLong(),
                    query.value(4).toLongLong(),
                    query.value(5).toLongLong() != 0,
                    query.isNull(6) ? QString() : query.value(6).toString()};
        if (number != qint64(groups.size()) + 1)
            throw Error(QStringLiteral("its group %1 is missing").arg(groups.size() + 1));
        if (GroupChecksum(number, group) != query.value(7).toLongLong())
            throw Error(QStringLiteral("its group %1 does not match its checksum").arg(number));
        groups.push_back(std::move(group));
    }
    return groups;
}

void Tally::Add(qint64 group, qint64 row, bool outcome) {
    if (group < 1 || group > qint64(groups_.size()) || row < groups_[group - 1].first ||
        row > groups_[group - 1].last)
        throw Error(QStringLiteral("the entry of row %1 lies in none of its groups").arg(row));
    ++entries_[group - 1];
    outcomes_[group - 1] += outcome;
}

void Tally::Check(bool ended, qint64 headerGroups) const {
    for (std::size_t k = 0; k < groups_.size(); ++k) {
        if (entries_[k] != groups_[k].entries)
            throw Error(QStringLiteral("its group %1 holds %2 of its %3 entries")
                            .arg(k + 1)
                            .arg(entries_[k])
                            .arg(groups_[k].entries));
        if (outcomes_[k] != groups_[k].outcomes)
            throw Error(QStringLiteral("its group %1 holds %2 of its %3 outcomes")
                            .arg(k + 1)
                            .arg(outcomes_[k])
                            .arg(groups_[k].outcomes));
    }
    if (ended && headerGroups != qint64(groups_.size()))
        throw Error(QStringLiteral("it holds %1 of the %2 groups its header counts")
                        .arg(groups_.size())
                        .arg(headerGroups));
}

} // namespace journal::proof
