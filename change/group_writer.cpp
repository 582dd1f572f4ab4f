#include "change/group_writer.h"

#include "db/recordset.h"
#include "journal/run_journal.h"

#include <optional>
#include <utility>

namespace {

// The statements a writer prepares, each at most once.
enum Kind { ByAddress, ByKey, ReadBackByAddress, ReadBackByKey };

} // namespace

GroupWriter::GroupWriter(db::Connection& connection, const db::Dialect& dialect,
                         db::WriteTarget target, bool readBack, journal::RunJournal* journal,
                         Wait wait, Report report)
    : connection_(connection), dialect_(dialect), target_(std::move(target)),
      readBack_(readBack && !dialect.WriteReturnsRows() && dialect.NamesRows()), journal_(journal),
      wait_(std::move(wait)), report_(std::move(report)) {}

GroupWriter::~GroupWriter() = default;

void GroupWriter::Write(std::vector<PendingRow>& pending, GroupResult& result) {
    if (pending.empty() || result.ended)
        return;
    const std::vector<PendingRow> rows = std::exchange(pending, {});
    std::vector<journal::Entry> entries;
    entries.reserve(rows.size());
    for (const PendingRow& row : rows)
        entries.push_back(
            {row.row, row.id, QString(), row.oldValue, row.newValue, journal::EntryState::Pending});
    // Nothing is sent before its rows are in the journal.
    if (journal_)
        journal_->AppendPending(entries);
    // Without row identity a write may match several rows: each row goes alone.
    if (dialect_.NamesRows() && WriteGroup(rows, entries, result))
        return;
    for (std::size_t i = 0; i < rows.size() && !result.ended; ++i)
        WriteOne(rows[i], entries[i], result);
}

bool GroupWriter::WriteGroup(const std::vector<PendingRow>& rows,
                             std::vector<journal::Entry>& entries, GroupResult& result) {
    db::Transaction transaction(connection_, wait_);
    std::optional<db::Error> fault;
    bool complete = false;
    wait_([&] {
        try {
            complete = Send(rows, entries);
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (fault) {
        const db::Fault kind = dialect_.Classify(*fault);
        if (kind == db::Fault::Row)
            return false; // rolled back; its rows go one at a time
        End(*fault, kind, rows.front().step, result);
        return true;
    }
    // A count short of the group leaves its rows unknown: roll back first, or rows the group
    // wrote would fail their guard on the retry and be taken for unwritten.
    if (!complete)
        return false;
    Settle(transaction, rows, entries, result);
    return true;
}

void GroupWriter::WriteOne(const PendingRow& row, journal::Entry& entry, GroupResult& result) {
    db::Transaction transaction(connection_, wait_);
    std::vector<PendingRow> rows{row};
    std::vector<journal::Entry> one{entry};
    std::optional<db::Error> fault;
    wait_([&] {
        try {
            Send(rows, one);
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (!fault)
        return Settle(transaction, rows, one, result);
    const db::Fault kind = dialect_.Classify(*fault);
    if (kind != db::Fault::Row)
        return End(*fault, kind, row.step, result);
    one[0].state = journal::EntryState::NotWritten;
    if (journal_)
        journal_->Settle(one);
    ++result.refused;
    report_(fault->description(), row.step);
}

bool GroupWriter::Send(const std::vector<PendingRow>& rows, std::vector<journal::Entry>& entries) {
    const bool keyed = db::Dialect::IsKeyIdentity(rows.front().id);
    db::Statement& write =
        Prepared(keyed ? ByKey : ByAddress, dialect_.WriteStatement(target_, keyed));
    std::vector<db::RowWrite> writes;
    writes.reserve(rows.size());
    for (const PendingRow& row : rows)
        writes.push_back({row.id, row.guard, row.newValue});
    write.Execute(dialect_.WriteParameters(writes, keyed));

    if (dialect_.WriteReturnsRows()) {
        // Each written row: its place in the group (from 1), its identity after the write and
        // the value stored. A row not returned was changed by another session meanwhile.
        for (journal::Entry& entry : entries)
            entry.state = journal::EntryState::NotWritten;
        db::Recordset& row = write.Result();
        if (!row.IsOpen())
            return true;
        for (; !row.Eof(); row.MoveNext()) {
            const db::Fields& fields = row.GetFields();
            const qsizetype place = fields[0].Value().toLongLong() - 1;
            if (place < 0 || place >= qsizetype(entries.size()))
                continue;
            journal::Entry& entry = entries[place];
            entry.state = journal::EntryState::Written;
            entry.idAfter = fields[1].Value().toString();
            Stored(entry, fields[2].Value().toString());
        }
        return true;
    }
    // Only a count: each row is found by its identity, so a full count means every row was
    // written once. One row alone is known either way; a group short of its count is not.
    const qint64 count = write.RowsAffected();
    if (rows.size() > 1 && count != qint64(rows.size()))
        return false;
    for (journal::Entry& entry : entries) {
        entry.state = count > 0 ? journal::EntryState::Written : journal::EntryState::NotWritten;
        entry.idAfter = entry.idBefore;
        if (readBack_ && count > 0)
            ReadBack(entry);
    }
    return true;
}

void GroupWriter::ReadBack(journal::Entry& entry) {
    const bool keyed = db::Dialect::IsKeyIdentity(entry.idBefore);
    db::Statement& read = Prepared(keyed ? ReadBackByKey : ReadBackByAddress,
                                   dialect_.ReadBackStatement(target_, keyed));
    std::vector<db::ParameterColumn> parameters;
    for (const QString& id : dialect_.IdParameters(entry.idBefore))
        parameters.push_back({id});
    read.Execute(parameters);
    db::Recordset& stored = read.Result();
    if (stored.IsOpen() && !stored.Eof())
        Stored(entry, stored.GetFields()[0].Value().toString());
}

void GroupWriter::Stored(journal::Entry& entry, const QString& value) {
    entry.altered = value != entry.newValue;
    entry.newValue = value;
}

db::Statement& GroupWriter::Prepared(int kind, const QString& text) {
    std::unique_ptr<db::Statement>& statement = statements_[kind];
    if (!statement)
        statement = std::make_unique<db::Statement>(connection_, text);
    return *statement;
}

void GroupWriter::Settle(db::Transaction& transaction, const std::vector<PendingRow>& rows,
                         std::vector<journal::Entry>& entries, GroupResult& result) {
    // The journal learns each row's outcome before the database commits it; a journal that
    // cannot be written leaves the transaction to roll back.
    if (journal_)
        journal_->Settle(entries);
    std::optional<db::Error> fault;
    wait_([&] {
        try {
            transaction.Commit();
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (fault)
        return End(*fault, dialect_.Classify(*fault), rows.back().step, result);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].state != journal::EntryState::Written) {
            ++result.left;
            if (left_)
                left_(rows[i]);
        } else if (entries[i].altered)
            ++result.altered;
        else
            ++result.written;
    }
}

void GroupWriter::End(const db::Error& error, db::Fault fault, int step, GroupResult& result) {
    if (fault != db::Fault::Cancelled || !stopRequested_ || !stopRequested_())
        report_(error.description(), step);
    result.ended = true;
    result.connectionLost = result.connectionLost || fault == db::Fault::ConnectionLost;
    result.cancelled = result.cancelled || fault == db::Fault::Cancelled;
}
