#include "change/group_writer.h"

#include "db/recordset.h"
#include "journal/run_journal.h"

#include <optional>
#include <utility>

GroupWriter::GroupWriter(db::Connection& connection, const db::Dialect& dialect, QString table,
                         QString column, bool fixedWidth, journal::RunJournal* journal, Wait wait,
                         Report report)
    : connection_(connection), dialect_(dialect), table_(std::move(table)),
      column_(std::move(column)), fixedWidth_(fixedWidth), journal_(journal),
      wait_(std::move(wait)), report_(std::move(report)) {
    // The rows a write returns are few: read them whole.
    connection_.SetCursorLocation(db::adUseClient);
}

void GroupWriter::Write(std::vector<PendingRow>& pending, GroupResult& result) {
    if (pending.empty())
        return;
    const std::vector<PendingRow> rows = std::exchange(pending, {});
    std::vector<journal::Entry> entries;
    entries.reserve(rows.size());
    for (const PendingRow& row : rows)
        entries.push_back(
            {row.row, row.id, QString(), row.oldValue, row.newValue, journal::EntryState::Pending});
    if (journal_)
        journal_->AppendPending(entries);

    // The group as one statement; refused, its rows one by one.
    std::optional<db::Error> fault;
    // Without row identity there is no group form: each row goes alone.
    bool refused = !dialect_.NamesRows();
    if (!refused)
        wait_([&] {
            try {
                SendGroup(rows, entries);
            } catch (const db::Error& error) {
                if (Ends(error))
                    return fault.emplace(error), void();
                refused = true;
                try {
                    connection_.RollbackTrans();
                } catch (const db::Error& lost) {
                    fault.emplace(lost);
                }
            }
        });
    if (fault)
        return End(*fault, rows.front().step, result);
    if (refused) {
        for (std::size_t i = 0; i < rows.size() && !result.hopeless; ++i)
            WriteOne(rows[i], entries[i], result);
    } else {
        Commit(entries, rows.back().step, result);
    }
}

void GroupWriter::SendGroup(const std::vector<PendingRow>& rows,
                            std::vector<journal::Entry>& entries) {
    std::vector<db::RowWrite> writes;
    writes.reserve(rows.size());
    for (const PendingRow& row : rows)
        writes.push_back({row.id, row.guard, row.newValue});
    const QString statement = dialect_.GroupWriteStatement(table_, column_, fixedWidth_, writes);
    if (dialect_.ReturnsWrittenRows()) {
        // Each written row's place in the group (from 1) and its identity after the write.
        for (journal::Entry& entry : entries)
            entry.state = journal::EntryState::NotWritten;
        db::Recordset returned = connection_.Execute(statement);
        for (; !returned.Eof(); returned.MoveNext()) {
            const qsizetype place = returned.GetFields()[0].Value().toLongLong() - 1;
            if (place < 0 || place >= qsizetype(entries.size()))
                continue;
            entries[place].state = journal::EntryState::Written;
            entries[place].idAfter = returned.GetFields()[1].Value().toString();
        }
        return;
    }
    // Only a count comes back. Rows keep their identity; which of them a guard kept from
    // being written is not known, so all count as written but the number refused.
    qint64 count = 0;
    connection_.Execute(statement, &count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].state =
            qint64(i) < count ? journal::EntryState::Written : journal::EntryState::NotWritten;
        entries[i].idAfter = entries[i].idBefore;
    }
}

void GroupWriter::WriteOne(const PendingRow& row, journal::Entry& entry, GroupResult& result) {
    std::vector<journal::Entry> one{entry};
    std::optional<db::Error> fault;
    wait_([&] {
        try {
            const QString statement = dialect_.RowWriteStatement(table_, column_, fixedWidth_,
                                                                 {row.id, row.guard, row.newValue});
            bool written = false;
            if (dialect_.ReturnsWrittenRows()) {
                db::Recordset returned = connection_.Execute(statement);
                written = !returned.Eof();
                if (written)
                    one[0].idAfter = returned.GetFields()[1].Value().toString();
            } else {
                qint64 count = 0;
                connection_.Execute(statement, &count);
                written = count > 0;
                one[0].idAfter = row.id;
            }
            one[0].state = written ? journal::EntryState::Written : journal::EntryState::NotWritten;
        } catch (const db::Error& error) {
            fault.emplace(error);
            try {
                connection_.RollbackTrans();
            } catch (const db::Error&) {
                // The statement's own error says more.
            }
        }
    });
    if (!fault)
        return Commit(one, row.step, result);
    if (Ends(*fault))
        return End(*fault, row.step, result);
    one[0].state = journal::EntryState::NotWritten;
    if (journal_)
        journal_->Settle(one);
    ++result.refused;
    Refused(*fault, row.step, result);
}

void GroupWriter::Commit(std::vector<journal::Entry>& entries, int step, GroupResult& result) {
    // The journal learns each row's outcome before the database commits it.
    if (journal_)
        journal_->Settle(entries);
    std::optional<db::Error> fault;
    wait_([&] {
        try {
            connection_.CommitTrans();
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (fault)
        return End(*fault, step, result);
    for (const journal::Entry& entry : entries) {
        if (entry.state == journal::EntryState::Written) {
            ++result.written;
            Written();
        } else {
            ++result.left;
        }
    }
}

bool GroupWriter::Ends(const db::Error& error) const {
    return error.connectionLost() ||
           dialect_.NamesMissingObject(error.sqlState(), error.description());
}

void GroupWriter::End(const db::Error& error, int step, GroupResult& result) {
    report_(error.description(), step);
    result.hopeless = true;
    result.connectionLost = result.connectionLost || error.connectionLost();
}

void GroupWriter::Written() {
    if (rowLevel_)
        return;
    rowLevel_ = true;
    for (const auto& [description, step] : heldReports_)
        report_(description, step);
    heldReports_.clear();
}

void GroupWriter::Refused(const db::Error& error, int step, GroupResult& result) {
    const QString kind = error.sqlState().isNull() ? QStringLiteral("") : error.sqlState();
    if (!rowLevel_ && !firstRefusal_.isNull() && kind != firstRefusal_)
        Written(); // refusals differ: each is a row's own
    if (rowLevel_)
        return report_(error.description(), step);
    if (firstRefusal_.isNull()) {
        firstRefusal_ = kind;
        return report_(error.description(), step);
    }
    heldReports_.emplace_back(error.description(), step);
    if (heldReports_.size() >= 2) {
        // Three rows refused alike and none written: the statement, not a row, is refused.
        heldReports_.clear();
        result.hopeless = true;
    }
}
