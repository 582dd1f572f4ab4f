#include "change/unreached_rows.h"

#include "db/recordset.h"

namespace {

// A blank-padded value is compared without its padding, as the write's guard does.
bool Same(const QVariant& stored, const QString& value, bool fixedWidth) {
    if (stored.isNull())
        return false;
    QString text = stored.toString();
    if (!fixedWidth)
        return text == value;
    QString wanted = value;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    while (wanted.endsWith(QLatin1Char(' ')))
        wanted.chop(1);
    return text == wanted;
}

// Whether each column the row changes holds the value `pick` names; its values from `first`.
template <typename Pick>
bool Holds(const PendingRow& row, const db::Fields& fields, int first,
           const db::WriteTarget& target, Pick pick) {
    for (std::size_t k = 0; k < row.fields.size(); ++k) {
        const FieldChange& field = row.fields[k];
        if (field.Changes() &&
            !Same(fields[first + int(k)].Value(), pick(field), target.fixedWidth[k]))
            return false;
    }
    return true;
}

} // namespace

std::vector<Unreached> ReadUnreached(db::Connection& connection, const db::Dialect& dialect,
                                     const db::WriteTarget& target,
                                     std::span<const PendingRow* const> rows) {
    std::vector<Unreached> outcomes(rows.size(), Unreached::Changed);
    if (rows.empty())
        return outcomes;
    const bool keyed = db::Dialect::IsKeyIdentity(rows.front()->id);
    const QString statement = dialect.UnreachedStatement(target, keyed);
    if (statement.isEmpty())
        return outcomes;
    db::Statement read(connection, statement);
    // A found row's fields from `first`: whether it is in its version, then its values.
    const auto take = [&](std::size_t at, const db::Fields& fields, int first) {
        const PendingRow& row = *rows[at];
        const bool inVersion = fields[first].Value().toInt() == 1;
        if (inVersion &&
            Holds(row, fields, first + 1, target, [](const FieldChange& f) { return f.guard; }))
            outcomes[at] = Unreached::Withheld;
        else if (Holds(row, fields, first + 1, target,
                       [](const FieldChange& f) { return f.newValue; }))
            outcomes[at] = Unreached::Already;
    };
    if (dialect.UnreachedTogether()) {
        std::vector<QString> ids;
        for (const PendingRow* row : rows)
            ids.push_back(row->id);
        read.Execute(dialect.UnreachedParameters(ids, keyed));
        db::Recordset& found = read.Result();
        for (; found.IsOpen() && !found.Eof(); found.MoveNext()) {
            const qsizetype place = found.GetFields()[0].Value().toLongLong() - 1;
            if (place >= 0 && place < qsizetype(rows.size()))
                take(std::size_t(place), found.GetFields(), 1);
        }
        return outcomes;
    }
    for (std::size_t at = 0; at < rows.size(); ++at) {
        read.Execute(dialect.UnreachedParameters({rows[at]->id}, keyed));
        db::Recordset& found = read.Result();
        if (found.IsOpen() && !found.Eof())
            take(at, found.GetFields(), 0);
    }
    return outcomes;
}
