// The statements of the PostgreSQL server that stands in for Oracle.
#include "db/dialect/postgres.h"
#include "db/error.h"
#include "db/sql_text.h"

namespace db::postgres {

namespace {

QString Q(const QString& name) {
    return QuoteIdentifier(name);
}

// The column compared exactly: as plain text under the binary collation (a column's own
// collation may be case-blind, and so is citext), a blank-padded value without its padding.
QString Guard(const QString& column, const QString& value, bool fixedWidth) {
    return QLatin1String("CAST(") + column + QLatin1String(" AS text) COLLATE \"C\" = ") +
           (fixedWidth ? QStringLiteral("CAST(CAST(%1 AS bpchar) AS text)").arg(value) : value);
}

// The row's identity after the write: its primary key, which a write does not move, else its
// new address with the version the write made (an address alone may later name another row).
QString IdentityAfter(const QString& key) {
    if (!key.isEmpty())
        return QLatin1String("'=' || CAST(t.") + Q(key) + QLatin1String(" AS text)");
    return QStringLiteral(
        "CAST(t.tableoid AS text) || ':' || CAST(t.ctid AS text) || '@' || CAST(t.xmin AS text)");
}

// Where a statement finds one row by its identity's parameters (IdParameters' order).
QString RowByIdentity(const QString& key, const QString& keyType, bool versioned = false) {
    if (!key.isEmpty())
        return Q(key) + QLatin1String(" = CAST(? AS ") + keyType + QLatin1Char(')');
    return QStringLiteral("ctid = CAST(? AS tid) AND tableoid = CAST(? AS oid)") +
           (versioned ? QLatin1String(" AND xmin = CAST(? AS xid)") : QLatin1String(""));
}

// The group's identities as arrays to unnest, their names, and how a row of the table meets
// one (by address only: a version is compared apart).
struct IdJoin {
    QString arrays, names, where;
};
IdJoin JoinById(const QString& key, const QString& keyType, bool keyed, bool versioned) {
    if (keyed)
        return {QLatin1String("CAST(? AS ") + keyType + QLatin1String("[])"), QStringLiteral("id"),
                QLatin1String("t.") + Q(key) + QLatin1String(" = v.id")};
    return {QStringLiteral("CAST(? AS tid[]), CAST(? AS oid[])") +
                (versioned ? QLatin1String(", CAST(? AS xid[])") : QLatin1String("")),
            versioned ? QStringLiteral("id, rel, ver") : QStringLiteral("id, rel"),
            QStringLiteral("t.ctid = v.id AND t.tableoid = v.rel")};
}

// An array of texts as PostgreSQL reads one: each element quoted, '\' and '"' escaped; a null
// QString is NULL.
QString ArrayText(const std::vector<QString>& elements) {
    qsizetype length = 2;
    for (const QString& element : elements)
        length += element.size() + 3;
    QString array;
    array.reserve(length + length / 16);
    array += QLatin1Char('{');
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            array += QLatin1Char(',');
        if (elements[i].isNull()) {
            array += QLatin1String("NULL");
            continue;
        }
        array += QLatin1Char('"');
        for (const QChar c : elements[i]) {
            if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
                array += QLatin1Char('\\');
            array += c;
        }
        array += QLatin1Char('"');
    }
    array += QLatin1Char('}');
    return array;
}

// The columns as text, each behind `prefix`.
QString Texts(const WriteTarget& target, const QString& prefix) {
    QStringList texts;
    for (const QString& column : target.columns)
        texts.append(QLatin1String("CAST(") + prefix + Q(column) + QLatin1String(" AS text)"));
    return texts.join(QLatin1String(", "));
}

// The k-th column's name suffix for its old and new values: none for a single column.
QString Suffix(const WriteTarget& target, qsizetype k) {
    return target.columns.size() > 1 ? QString::number(k + 1) : QString();
}

} // namespace

// The row's address (a ctid is unique only within one partition), or the key.
QString Identity(const QString& key) {
    return key.isEmpty() ? QStringLiteral("CAST(tableoid AS text) || ':' || CAST(ctid AS text)")
                         : QLatin1String("'=' || CAST(") + Q(key) + QLatin1String(" AS text)");
}

QString CharacterSetStatement() {
    return QStringLiteral(
        "SELECT current_setting('server_encoding'), current_setting('server_encoding')");
}

QString KeyStatement() {
    return QStringLiteral(
        "SELECT a.attname, format_type(a.atttypid, a.atttypmod), CAST(i.indnatts AS int) FROM "
        "pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
        "WHERE i.indisprimary AND i.indrelid = to_regclass(?)");
}

QString SizeStatement() {
    // reltuples is -1 for a table never analysed.
    return QStringLiteral(
        "SELECT CASE WHEN c.reltuples >= 0 THEN CAST(c.reltuples AS bigint) END, "
        "CAST(c.relpages AS bigint), CAST(pg_relation_size(c.oid) / "
        "CAST(current_setting('block_size') AS int) AS bigint) FROM pg_class c WHERE c.oid = "
        "to_regclass(?) AND c.relkind = 'r'");
}

QString FactsStatement() {
    // Text is the string category, which takes in varchar, char, citext and domains over them.
    return QStringLiteral(
        "SELECT CAST(y.typcategory = 'S' AS int), CAST(a.attgenerated <> '' AS int), 0, "
        "CAST(c.relkind IN ('r', 'p') AS int), "
        "CAST(has_column_privilege(c.oid, a.attnum, 'UPDATE') AS int), "
        "CAST(EXISTS (SELECT 1 FROM pg_trigger g WHERE g.tgrelid = c.oid AND NOT "
        "g.tgisinternal) AS int), 1, 0 "
        "FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT "
        "a.attisdropped JOIN pg_type y ON y.oid = a.atttypid "
        "WHERE c.oid = to_regclass(?) AND a.attname = ?");
}

// The table joined to the group's rows, passed as arrays (cheaper for the server than a list
// of values), by identity: a TID scan per row, or the primary key's index. A row is written
// where each column it changes still holds its old value exactly; each written row comes back
// with its place in the group, its identity after the write and the values the database
// stored. With several columns, a NULL old and new value leaves a column as it is.
QString JoinWriteStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                           bool keyed, bool versioned) {
    const bool several = target.columns.size() > 1;
    const IdJoin join = JoinById(key, keyType, keyed, versioned);
    QStringList sets, arrays, names, guards;
    arrays.append(join.arrays);
    names.append(join.names);
    for (qsizetype k = 0; k < target.columns.size(); ++k) {
        const QString column = Q(target.columns[k]);
        const QString n = QLatin1String("v.n") + Suffix(target, k);
        const QString o = QLatin1String("v.o") + Suffix(target, k);
        sets.append(column + QLatin1String(" = ") +
                    (several ? QStringLiteral("coalesce(%1, t.%2)").arg(n, column) : n));
        arrays.append(QStringLiteral("CAST(? AS text[]), CAST(? AS text[])"));
        names.append(o.mid(2) + QLatin1String(", ") + n.mid(2));
        const QString guard =
            Guard(QLatin1String("t.") + column, o, target.fixedWidth[std::size_t(k)]);
        guards.append(several ? QStringLiteral("(%1 IS NULL OR %2)").arg(o, guard) : guard);
    }
    const QString where =
        join.where + (versioned ? QLatin1String(" AND t.xmin = v.ver") : QLatin1String(""));
    return QLatin1String("UPDATE ") + Q(target.table) + QLatin1String(" AS t SET ") +
           sets.join(QLatin1String(", ")) + QLatin1String(" FROM unnest(") +
           arrays.join(QLatin1String(", ")) + QLatin1String(") WITH ORDINALITY AS v(") +
           names.join(QLatin1String(", ")) + QLatin1String(", i) WHERE ") + where +
           QLatin1String(" AND ") + guards.join(QLatin1String(" AND ")) +
           QLatin1String(" RETURNING v.i, ") + IdentityAfter(key) + QLatin1String(", ") +
           ColumnList(target.columns, QStringLiteral("t."));
}

// One parameter set per row: the new values, the identity, the guards.
QString RowWriteStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                          bool versioned) {
    const bool several = target.columns.size() > 1;
    QStringList sets, guards;
    for (qsizetype k = 0; k < target.columns.size(); ++k) {
        const QString column = Q(target.columns[k]);
        sets.append(column + (several
                                  ? QStringLiteral(" = coalesce(CAST(? AS text), %1)").arg(column)
                                  : QStringLiteral(" = ?")));
        const QString guard = Guard(column, QStringLiteral("?"), target.fixedWidth[std::size_t(k)]);
        guards.append(several ? QStringLiteral("(CAST(? AS text) IS NULL OR %1)").arg(guard)
                              : guard);
    }
    return QLatin1String("UPDATE ") + Q(target.table) + QLatin1String(" SET ") +
           sets.join(QLatin1String(", ")) + QLatin1String(" WHERE ") +
           RowByIdentity(key, keyType, versioned) + QLatin1String(" AND ") +
           guards.join(QLatin1String(" AND "));
}

QString ValueWriteStatement(const WriteTarget& target) {
    const QString column = Q(target.columns.value(0));
    return QLatin1String("UPDATE ") + Q(target.table) + QLatin1String(" SET ") + column +
           QLatin1String(" = ? WHERE ") +
           Guard(column, QStringLiteral("?"), target.fixedWidth.at(0));
}

QString ReadBackStatement(const WriteTarget& target, const QString& key, const QString& keyType) {
    return QLatin1String("SELECT ") + ColumnList(target.columns) + QLatin1String(" FROM ") +
           Q(target.table) + QLatin1String(" WHERE ") + RowByIdentity(key, keyType);
}

QString UnreachedStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                           bool keyed, bool versioned) {
    const IdJoin join = JoinById(key, keyType, keyed, versioned);
    return QLatin1String("SELECT v.i, ") +
           (versioned ? QLatin1String("CAST(t.xmin = v.ver AS int)") : QLatin1String("1")) +
           QLatin1String(", ") + Texts(target, QStringLiteral("t.")) + QLatin1String(" FROM ") +
           Q(target.table) + QLatin1String(" AS t JOIN unnest(") + join.arrays +
           QLatin1String(") WITH ORDINALITY AS v(") + join.names + QLatin1String(", i) ON ") +
           join.where;
}

QString RowUnreachedStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                              bool versioned) {
    return QLatin1String("SELECT ") +
           (versioned ? QLatin1String("CASE WHEN xmin = CAST(? AS xid) THEN 1 ELSE 0 END")
                      : QLatin1String("1")) +
           QLatin1String(", ") + Texts(target, QString()) + QLatin1String(" FROM ") +
           Q(target.table) + QLatin1String(" WHERE ") + RowByIdentity(key, keyType);
}

std::vector<ParameterColumn> IdArrays(const std::vector<QString>& ids, bool keyed, bool versioned) {
    std::vector<QString> addresses, relations, versions;
    for (const QString& id : ids) {
        if (keyed) {
            addresses.push_back(id.mid(1));
            continue;
        }
        const QString address = Dialect::Unversioned(id);
        const qsizetype colon = address.indexOf(QLatin1Char(':'));
        addresses.push_back(address.mid(colon + 1));
        relations.push_back(address.left(colon));
        versions.push_back(Dialect::Version(id));
    }
    std::vector<ParameterColumn> columns{{ArrayText(addresses)}};
    if (!keyed)
        columns.push_back({ArrayText(relations)});
    if (!keyed && versioned)
        columns.push_back({ArrayText(versions)});
    return columns;
}

std::vector<ParameterColumn> JoinParameters(const std::vector<RowWrite>& rows, bool keyed,
                                            bool versioned) {
    const std::size_t width = rows.front().values.size();
    std::vector<QString> ids;
    std::vector<std::vector<QString>> olds(width), news(width);
    for (const RowWrite& row : rows) {
        ids.push_back(row.id);
        for (std::size_t k = 0; k < width; ++k) {
            olds[k].push_back(row.guards[k]);
            news[k].push_back(row.values[k]);
        }
    }
    std::vector<ParameterColumn> columns = IdArrays(ids, keyed, versioned);
    for (std::size_t k = 0; k < width; ++k) {
        columns.push_back({ArrayText(olds[k])});
        columns.push_back({ArrayText(news[k])});
    }
    return columns;
}

Fault Classify(const Error& error) {
    const QString& state = error.sqlState();
    // 57P01 to 57P05: the server shut down, crashed or ended the session.
    if (error.connectionLost() || state.startsWith(QLatin1String("57P")))
        return Fault::ConnectionLost;
    if (state == QLatin1String("42P01") || state == QLatin1String("42703"))
        return Fault::MissingObject;
    // A statement cancelled on request or by the query time-out.
    if (state == QLatin1String("57014") || state == QLatin1String("HY008"))
        return Fault::Cancelled;
    return Fault::Row;
}

} // namespace db::postgres
