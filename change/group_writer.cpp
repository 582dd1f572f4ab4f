#include "change/group_writer.h"

#include "change/change_run.h"
#include "change/unreached_rows.h"
#include "db/recordset.h"
#include "journal/run_journal.h"

#include <optional>
#include <utility>

namespace {

// The statements a writer prepares, each at most once.
enum Kind { ByAddress, ByKey, ReadBackByAddress, ReadBackByKey, MarkByAddress, MarkByKey };

// A blank-padded column pads what it is given, so its new value goes without the trailing
// blanks it was read with: a character whose converted form is longer in the database's
// encoding would otherwise push the padded value past the column's width. One character is
// kept, as Oracle takes an empty text for NULL.
QString Unpadded(const QString& value) {
    qsizetype end = value.size();
    while (end > 1 && value[end - 1] == QLatin1Char(' '))
        --end;
    return end == value.size() ? value : value.left(end);
}

} // namespace

GroupWriter::GroupWriter(db::Connection& connection, const db::Dialect& dialect,
                         db::WriteTarget target, bool readBack, journal::RunJournal* journal,
                         Wait wait, Report report)
    : connection_(connection), dialect_(dialect), target_(std::move(target)),
      readBack_(readBack && !dialect.WriteReturnsRows() && dialect.NamesRows()), journal_(journal),
      wait_(std::move(wait)), report_(std::move(report)) {}

GroupWriter::~GroupWriter() = default;

std::span<journal::Entry> GroupWriter::Entries::Of(std::size_t row) {
    return {entries.data() + start[row], start[row + 1] - start[row]};
}

void GroupWriter::Write(std::vector<PendingRow>& pending, GroupResult& result) {
    if (pending.empty() || result.ended)
        return;
    Group group = Take(pending);
    Journal(group);
    Send(group, result);
}

GroupWriter::Group GroupWriter::Take(std::vector<PendingRow>& pending) const {
    Group group{std::exchange(pending, {}), {}, {}};
    // A journal entry per column a row changes, numbered apart for each column.
    const auto width = static_cast<qint64>(target_.columns.size());
    Entries& entries = group.entries;
    entries.entries.reserve(group.rows.size());
    entries.start.reserve(group.rows.size() + 1);
    for (const PendingRow& row : group.rows) {
        entries.start.push_back(entries.entries.size());
        for (qint64 k = 0; k < width; ++k) {
            const FieldChange& field = row.fields[std::size_t(k)];
            if (field.Changes())
                entries.entries.emplace_back(row.row * width + k, row.id, QString(), field.oldValue,
                                             field.newValue, journal::EntryState::Pending,
                                             target_.columns[k]);
        }
    }
    entries.start.push_back(entries.entries.size());
    // Without row identity a write may match several rows: each row goes alone.
    if (dialect_.NamesRows() && !group.rows.empty())
        group.parameters = Parameters(group.rows);
    return group;
}

void GroupWriter::Journal(Group& group) {
    // Nothing is sent before its rows are in the journal.
    if (!journal_ || group.rows.empty())
        return;
    const qint64 number = journal_->AppendPending(group.entries.entries);
    for (journal::Entry& entry : group.entries.entries)
        entry.group = number;
}

void GroupWriter::Send(Group& group, GroupResult& result) {
    if (group.rows.empty() || result.ended)
        return;
    if (!group.parameters.empty() && WriteGroup(group, result))
        return;
    for (std::size_t i = 0; i < group.rows.size() && !result.ended; ++i)
        WriteOne(group.rows[i], group.entries.Of(i), result);
}

bool GroupWriter::WriteGroup(Group& group, GroupResult& result) {
    const std::vector<PendingRow>& rows = group.rows;
    Entries& entries = group.entries;
    db::Transaction transaction(connection_);
    std::optional<db::Error> fault;
    bool complete = false;
    wait_([&] {
        try {
            complete = Execute(rows, entries, group.parameters);
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (fault) {
        const db::Fault kind = dialect_.Classify(*fault);
        if (kind == db::Fault::Row) {
            RollBack(transaction);
            return false; // its rows go one at a time
        }
        End(*fault, kind, rows.front().step, result);
        RollBack(transaction);
        return true;
    }
    // A count short of the group leaves its rows unknown: roll back first, or rows the group
    // wrote would fail their guard on the retry and be taken for unwritten.
    if (!complete) {
        RollBack(transaction);
        return false;
    }
    // A group refused at its COMMIT is rolled back: its rows go one at a time too.
    return !Settle(transaction, rows, entries, result);
}

void GroupWriter::WriteOne(const PendingRow& row, std::span<journal::Entry> rowEntries,
                           GroupResult& result) {
    db::Transaction transaction(connection_);
    Entries one{{rowEntries.begin(), rowEntries.end()}, {0, rowEntries.size()}};
    std::optional<db::Error> fault;
    wait_([&] {
        try {
            Execute({&row, 1}, one, Parameters({&row, 1}));
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (!fault) {
        fault = Settle(transaction, {&row, 1}, one, result);
        if (!fault)
            return;
    } else if (const db::Fault kind = dialect_.Classify(*fault); kind != db::Fault::Row) {
        End(*fault, kind, row.step, result);
        return RollBack(transaction);
    }
    // Refused by its write or at its COMMIT: rolled back either way.
    for (journal::Entry& entry : one.entries)
        entry.state = journal::EntryState::NotWritten;
    SettleJournal(one.entries);
    ++result.rows.refused;
    report_(fault->description(), row.step);
    RollBack(transaction);
}

void GroupWriter::RollBack(db::Transaction& transaction) {
    if (transaction.IsOpen())
        wait_([&] { transaction.Rollback(); });
}

std::vector<db::ParameterColumn> GroupWriter::Parameters(std::span<const PendingRow> rows) const {
    std::vector<db::RowWrite> writes;
    writes.reserve(rows.size());
    for (const PendingRow& row : rows) {
        db::RowWrite& rowWrite = writes.emplace_back(db::RowWrite{row.id, {}, {}});
        for (std::size_t k = 0; k < row.fields.size(); ++k) {
            const FieldChange& field = row.fields[k];
            rowWrite.guards.push_back(field.guard);
            if (!field.Changes())
                rowWrite.values.emplace_back();
            else
                rowWrite.values.push_back(target_.fixedWidth[k] ? Unpadded(field.newValue)
                                                                : field.newValue);
        }
    }
    return dialect_.WriteParameters(writes, db::Dialect::IsKeyIdentity(rows.front().id));
}

bool GroupWriter::Execute(std::span<const PendingRow> rows, Entries& entries,
                          const std::vector<db::ParameterColumn>& parameters) {
    const bool keyed = db::Dialect::IsKeyIdentity(rows.front().id);
    db::Statement& write =
        Prepared(keyed ? ByKey : ByAddress, dialect_.WriteStatement(target_, keyed),
                 dialect_.WriteParameterTypes(target_, keyed));
    write.Execute(parameters);
    for (journal::Entry& entry : entries.entries)
        entry.state = journal::EntryState::NotWritten;

    if (dialect_.WriteReturnsRows()) {
        // Each written row: its place in the group (from 1), its identity after the write and
        // the values stored. A row not returned was changed by another session meanwhile.
        db::Recordset& returned = write.Result();
        if (!returned.IsOpen())
            return true;
        for (; !returned.Eof(); returned.MoveNext()) {
            const db::Fields& fields = returned.GetFields();
            const qsizetype place = fields[0].Value().toLongLong() - 1;
            if (place >= 0 && place < qsizetype(rows.size()))
                Written(rows[std::size_t(place)], entries.Of(std::size_t(place)),
                        fields[1].Value().toString(), &fields, 2);
        }
        return true;
    }
    // Only a count: each row is found by its identity, so a full count means every row was
    // written once. One row alone is known either way; a group short of its count is not.
    const qint64 count = write.RowsAffected();
    if (rows.size() > 1 && count != qint64(rows.size()))
        return false;
    for (std::size_t i = 0; i < rows.size() && count > 0; ++i) {
        Written(rows[i], entries.Of(i), rows[i].id, nullptr, 0);
        if (readBack_)
            ReadBack(rows[i], entries.Of(i));
    }
    return true;
}

void GroupWriter::Written(const PendingRow& row, std::span<journal::Entry> rowEntries,
                          const QString& idAfter, const db::Fields* stored, int first) {
    std::size_t at = 0;
    for (std::size_t k = 0; k < row.fields.size(); ++k) {
        if (!row.fields[k].Changes())
            continue;
        journal::Entry& entry = rowEntries[at++];
        entry.state = journal::EntryState::Written;
        entry.idAfter = idAfter;
        if (!stored)
            continue;
        const QString value = (*stored)[first + int(k)].Value().toString();
        entry.altered = value != entry.newValue;
        entry.newValue = value;
    }
}

void GroupWriter::ReadBack(const PendingRow& row, std::span<journal::Entry> rowEntries) {
    const bool keyed = db::Dialect::IsKeyIdentity(row.id);
    db::Statement& read =
        Prepared(keyed ? ReadBackByKey : ReadBackByAddress,
                 dialect_.ReadBackStatement(target_, keyed), dialect_.IdParameterTypes(keyed));
    std::vector<db::ParameterColumn> parameters;
    // Read in the version just written.
    for (const QString& id : dialect_.IdParameters(db::Dialect::Unversioned(row.id)))
        parameters.push_back({id});
    read.Execute(parameters);
    db::Recordset& stored = read.Result();
    if (stored.IsOpen() && !stored.Eof())
        Written(row, rowEntries, row.id, &stored.GetFields(), 0);
}

db::Statement& GroupWriter::Prepared(int kind, const QString& text,
                                     std::vector<db::ParameterType> types) {
    std::unique_ptr<db::Statement>& statement = statements_[kind];
    if (!statement) {
        statement = std::make_unique<db::Statement>(connection_, text);
        statement->SetParameterTypes(std::move(types));
    }
    return *statement;
}

std::optional<db::Error> GroupWriter::Settle(db::Transaction& transaction,
                                             std::span<const PendingRow> rows, Entries& entries,
                                             GroupResult& result) {
    // The journal learns each row's outcome, on disk, before the database commits it; a
    // journal that cannot be written leaves the transaction to roll back.
    SettleJournal(entries.entries, true);
    std::optional<db::Error> fault;
    wait_([&] {
        try {
            transaction.Commit();
        } catch (const db::Error& error) {
            fault.emplace(error);
        }
    });
    if (fault) {
        const db::Fault kind = dialect_.Classify(*fault);
        if (kind == db::Fault::Row)
            return fault;
        // The COMMIT may have landed or not: its rows stay in doubt, uncounted.
        inDoubt_.push_back({{rows.begin(), rows.end()}, entries});
        End(*fault, kind, rows.back().step, result);
        return std::nullopt;
    }
    const std::vector<std::size_t> unreached = Count(rows, entries, result);
    // Counted first: the rows are the database's even when the journal cannot record it.
    const QString mark = CommitMark(entries);
    OnJournal([&] { journal_->Committed(entries.entries, mark); });
    CountUnreached(rows, unreached, result);
    return std::nullopt;
}

QString GroupWriter::CommitMark(const Entries& entries) {
    const auto written = std::find_if(
        entries.entries.rbegin(), entries.entries.rend(), [](const journal::Entry& entry) {
            return entry.state == journal::EntryState::Written && !entry.idAfter.isEmpty();
        });
    if (!journal_ || written == entries.entries.rend())
        return {};
    const bool keyed = db::Dialect::IsKeyIdentity(written->idAfter);
    const QString text = dialect_.CommitMarkStatement(target_, keyed);
    if (text.isEmpty())
        return {};
    QString mark;
    wait_([&] {
        try {
            db::Statement& read =
                Prepared(keyed ? MarkByKey : MarkByAddress, text, dialect_.IdParameterTypes(keyed));
            std::vector<db::ParameterColumn> parameters;
            for (const QString& part : dialect_.IdParameters(written->idAfter))
                parameters.push_back({part});
            read.Execute(parameters);
            db::Recordset& value = read.Result();
            if (value.IsOpen() && !value.Eof())
                mark = value.GetFields()[0].Value().toString();
            value.Close();
        } catch (const db::Error&) {
            // No mark: undo then goes by the row's values alone.
        }
    });
    return mark;
}

std::vector<std::size_t> GroupWriter::Count(std::span<const PendingRow> rows, Entries& entries,
                                            GroupResult& result) {
    std::vector<std::size_t> unreached;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::span<journal::Entry> row = entries.Of(i);
        if (row.empty() || row.front().state != journal::EntryState::Written) {
            unreached.push_back(i);
        } else if (std::any_of(row.begin(), row.end(),
                               [](const journal::Entry& entry) { return entry.altered; })) {
            ++result.altered;
        } else {
            ++result.rows.written;
        }
    }
    return unreached;
}

void GroupWriter::SettleInDoubt(db::Connection& connection, GroupResult& result) {
    ReadBacks reads;
    while (!inDoubt_.empty()) {
        Doubt& doubt = inDoubt_.front();
        std::vector<journal::Entry> found;
        GroupResult counts;
        for (std::size_t i = 0; i < doubt.rows.size(); ++i) {
            const std::span<journal::Entry> row = doubt.entries.Of(i);
            if (row.empty() || row.front().state != journal::EntryState::Written ||
                !HoldsWritten(connection, reads, doubt.rows[i], row))
                continue;
            found.insert(found.end(), row.begin(), row.end());
            const bool altered = std::any_of(
                row.begin(), row.end(), [](const journal::Entry& entry) { return entry.altered; });
            ++(altered ? counts.altered : counts.rows.written);
        }
        inDoubt_.erase(inDoubt_.begin());
        result += counts;
        if (!found.empty())
            OnJournal([&] { journal_->Committed(found); });
    }
}

bool GroupWriter::HoldsWritten(db::Connection& connection, ReadBacks& reads,
                               const PendingRow& pending, std::span<const journal::Entry> row) {
    // By its identity after the write: a write rolled back left no row under it.
    const QString& id = row.front().idAfter;
    const bool keyed = db::Dialect::IsKeyIdentity(id);
    std::unique_ptr<db::Statement>& read = reads[keyed];
    if (!read) {
        read =
            std::make_unique<db::Statement>(connection, dialect_.ReadBackStatement(target_, keyed));
        read->SetParameterTypes(dialect_.IdParameterTypes(keyed));
    }
    std::vector<db::ParameterColumn> parameters;
    for (const QString& part : dialect_.IdParameters(db::Dialect::Unversioned(id)))
        parameters.push_back({part});
    read->Execute(parameters);
    db::Recordset& stored = read->Result();
    if (!stored.IsOpen() || stored.Eof())
        return false;
    const db::Fields& fields = stored.GetFields();
    bool holds = true;
    std::size_t at = 0;
    for (std::size_t k = 0; k < pending.fields.size(); ++k) {
        if (pending.fields[k].Changes())
            holds = holds && fields[int(k)].Value().toString() == row[at++].newValue;
    }
    stored.Close();
    return holds;
}

void GroupWriter::CountUnreached(std::span<const PendingRow> rows,
                                 const std::vector<std::size_t>& at, GroupResult& result) {
    if (at.empty())
        return;
    std::vector<const PendingRow*> unreached;
    for (const std::size_t i : at)
        unreached.push_back(&rows[i]);
    std::vector<Unreached> outcomes(unreached.size(), Unreached::Changed);
    wait_([&] {
        try {
            // Reads only: what it began is rolled back.
            db::Transaction reading(connection_);
            outcomes = ReadUnreached(connection_, dialect_, target_, unreached);
        } catch (const db::Error&) {
            // Unknown: left alone, as a row changed since; a lost connection ends the next group.
        }
    });
    for (std::size_t k = 0; k < unreached.size(); ++k) {
        const PendingRow& row = *unreached[k];
        switch (outcomes[k]) {
        case Unreached::Withheld:
            ++result.rows.refused;
            report_(QLatin1String(ChangeMessages::WithheldByPolicy), row.step);
            break;
        case Unreached::Already:
            ++result.rows.unchanged;
            break;
        case Unreached::Changed:
            ++result.rows.left;
            if (left_)
                left_(row);
            break;
        }
    }
}

void GroupWriter::SettleJournal(const std::vector<journal::Entry>& entries, bool beforeCommit) {
    OnJournal([&] { journal_->Settle(entries, false); });
    // Synced on this thread: the journal's goes on with other groups meanwhile.
    if (journal_ && beforeCommit)
        journal_->SyncToDisk();
}

void GroupWriter::OnJournal(const std::function<void()>& call) {
    if (!journal_)
        return;
    if (journalThrough_)
        journalThrough_(call);
    else
        call();
}

void GroupWriter::End(const db::Error& error, db::Fault fault, int step, GroupResult& result) {
    if (fault != db::Fault::Cancelled || !stopRequested_ || !stopRequested_())
        report_(error.description(), step);
    result.ended = true;
    result.connectionLost = result.connectionLost || fault == db::Fault::ConnectionLost;
    result.cancelled = result.cancelled || fault == db::Fault::Cancelled;
}
