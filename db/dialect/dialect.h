#pragma once

#include <QString>
#include <vector>

namespace db {

class Connection;

enum class Dbms { Oracle, PostgreSQL, Other };

// One row to write: the row named by its identity (empty where the database has none) gets
// `value` if it still holds `guard`, the value it was read with.
struct RowWrite {
    QString id;
    QString guard;
    QString value;
};

// What differs between the databases the program writes to: how a row is named, how a group
// of rows is written in one statement, and how a table is identified. Everything else is
// plain SQL that both accept.
class Dialect {
public:
    explicit Dialect(Dbms dbms) : dbms_(dbms) {}
    // The database on the other end of an open connection, as its driver names it; on
    // PostgreSQL, with the table's single-column primary key when it has one.
    static Dialect Of(Connection& connection, const QString& table = {});
    // The same dialect naming rows by a primary key column of the given SQL type.
    Dialect WithKey(const QString& column, const QString& type) const;

    Dbms dbms() const { return dbms_; }
    // Rows are read with an identity (Oracle's ROWID; tableoid and ctid on PostgreSQL) that
    // each write names; without one, a write names the rows holding the old value. Rows
    // journalled by their primary key ("=value") are written by it.
    bool NamesRows() const { return dbms_ != Dbms::Other; }
    // The group statement returns the identity before and after the write of each row it
    // wrote; otherwise only its count of rows is known.
    bool ReturnsWrittenRows() const { return dbms_ == Dbms::PostgreSQL; }

    // SELECT COUNT(*) FROM "T"
    QString CountStatement(const QString& table) const;
    // The column's value first, then (where rows are named) the row's identity as text.
    QString ReadStatement(const QString& table, const QString& column) const;
    // No rows, only the column's description.
    QString DescribeStatement(const QString& table, const QString& column) const;
    // One row, one column: the table's object id (empty result where there is none).
    QString TableKeyStatement(const QString& table) const;

    // Writes a group of rows in one statement. On PostgreSQL it returns, for each row
    // written, its place in the group (from 1) and its identity after the write: the
    // primary key ("=" and its value) where the table has one, else "tableoid:ctid" (a
    // write moves the row). `fixedWidth`: the column is blank-padded (CHAR), whose values
    // compare without their padding. Only where NamesRows(): without row identity each row
    // is written by itself.
    QString GroupWriteStatement(const QString& table, const QString& column, bool fixedWidth,
                                const std::vector<RowWrite>& rows) const;
    // The same for a single row: the form a refused group is retried with.
    QString RowWriteStatement(const QString& table, const QString& column, bool fixedWidth,
                              const RowWrite& row) const;

    // A row identity this dialect can write: one read by primary key needs the key.
    bool CanWrite(const QString& id) const;

    // On PostgreSQL: the table's primary key column and its type, when it is one column (no
    // rows otherwise). A key keeps naming a row after it is written, where its ctid moves.
    QString KeyStatement(const QString& table) const;

    // The error says that the table or column no longer exists.
    bool NamesMissingObject(const QString& sqlState, const QString& description) const;

private:
    Dbms dbms_;
    QString keyColumn_;
    QString keyType_;
};

} // namespace db
