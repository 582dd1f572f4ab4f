#include "change/undo_by_value.h"

#include "db/transaction.h"
#include "journal/run_journal.h"

#include <optional>

void UndoByValue::Add(const PendingRow& row) {
    const FieldChange& field = row.fields.front();
    Value& value = values_[field.guard];
    if (value.rows.empty())
        value.old = field.newValue;
    else if (value.old != field.newValue)
        value.ambiguous = true;
    value.rows.push_back(row);
}

void UndoByValue::Restore(db::Connection& connection, const db::Dialect& dialect,
                          const db::WriteTarget& target, journal::RunJournal* journal,
                          const GroupWriter::Wait& wait, GroupResult& result) {
    const db::Dialect byValue = dialect.WithoutRowNames();
    std::optional<db::Statement> write;
    for (auto& [written, value] : values_) {
        if (value.ambiguous || result.ended)
            continue;
        std::vector<journal::Entry> entries;
        for (const PendingRow& row : value.rows)
            entries.emplace_back(row.row, row.id, QString(), QVariant(written), value.old,
                                 journal::EntryState::Written, target.columns.front());
        db::Transaction transaction(connection, wait);
        qint64 count = -1;
        wait([&] {
            try {
                if (!write)
                    write.emplace(connection, byValue.WriteStatement(target, false));
                write->Execute(
                    byValue.WriteParameters({{QString(), {written}, {value.old}}}, false));
                count = write->RowsAffected();
            } catch (const db::Error& error) {
                if (dialect.Classify(error) != db::Fault::Row)
                    result.ended = true;
            }
        });
        if (count != qint64(value.rows.size()))
            continue; // rolled back: other rows hold the value too, or none does any more
        if (journal)
            journal->Settle(entries);
        bool committed = false;
        wait([&] {
            try {
                transaction.Commit();
                committed = true;
            } catch (const db::Error&) {
                result.ended = true;
            }
        });
        if (!committed)
            continue;
        result.left -= count;
        result.written += count;
        if (journal)
            journal->Committed(entries);
    }
    values_.clear();
}
