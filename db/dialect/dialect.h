#pragma once

#include "db/statement.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace db {

class Connection;
class Error;
class Rules;

enum class Dbms { Oracle, PostgreSQL, Other };

// What a failed statement means for the rows after it.
enum class Fault {
    Row, // this row's own refusal (a constraint, a lock time-out): the next may land
    ConnectionLost,
    MissingObject, // the table or column is gone
    Cancelled,     // the call was cancelled: stop, retry nothing
};

// One row to write, named by its identity (empty where the database has none): each column k
// of the target gets values[k] if every column it changes still holds exactly guards[k], the
// value it was read with. A null guard and value leave that column as it is.
struct RowWrite {
    QString id;
    std::vector<QString> guards;
    std::vector<QString> values;
};

// The columns a run writes.
struct WriteTarget {
    WriteTarget(QString table, QStringList columns, std::vector<bool> fixedWidth,
                std::vector<bool> national = {})
        : table(std::move(table)), columns(std::move(columns)), fixedWidth(std::move(fixedWidth)),
          national(std::move(national)) {}
    QString table;
    QStringList columns;
    std::vector<bool> fixedWidth; // per column: blank-padded (CHAR), compared without padding
    std::vector<bool> national;   // per column: NCHAR or NVARCHAR2; all of them when empty
};

// Where a read found a row named by its address: its relation and the block (page) it is in;
// block -1 where the identity says neither.
struct RowPlace {
    QString relation;
    qint64 block = -1;
};

// How many rows a table holds before a read: the database's estimate, scaled to the table's
// size now, with the pages it holds now; or a count (pages 0) where the table is small or the
// database has no estimate.
struct TableSize {
    qint64 rows = 0;
    qint64 pages = 0;
};

// What the database says of a column before anything is written to it.
struct ColumnFacts {
    bool known = false;       // the database described it (false: the table or column is unknown)
    bool text = true;         // holds character data the program may recase
    bool generated = false;   // computed by the database (a generated or virtual column)
    bool largeObject = false; // CLOB, NCLOB or LONG: cannot be compared in a WHERE clause
    bool table = true;        // a table, whose rows have an identity (not a view)
    bool mayUpdate = true;    // the user may update the column
    bool updateTriggers = false;
    bool tableWritable = true; // not read only, external, nested, an overflow segment, a
                               // materialized view that cannot be updated, or dropped
    bool national = false;     // NCHAR or NVARCHAR2
};

// What a dialect knows of one session: the table's key, and what the database and its
// driver can do.
struct DialectOptions {
    QString keyColumn = {};    // a single-column primary key that names rows; empty: none
    QString keyType = {};      // its SQL type
    bool compositeKey = false; // the primary key has several columns: rows go by address
    bool namesRows = true;     // rows are named by their identity (never without one)
    bool countOnly = false;    // writes as Oracle does: one parameter set per row, a count back
    bool collate = false;      // Oracle 12.2 and later compare under an explicit COLLATE BINARY
    bool nationalText = true;  // the driver writes NCHAR and NVARCHAR2 columns
    QString charset = {};      // the database's character set, by name; empty: not read
    QString ncharset = {};     // the national character set
    bool versions = false;     // an address is written only in its version (WithRowVersions)
};

// What differs between the databases the program writes to: how rows are named and read,
// the one prepared statement that writes them, what the database says of a column, and what
// an error means. A small value: the session's options, and the rules of its database (Rules;
// each database's in a class and file of its own), chosen once.
class Dialect {
public:
    explicit Dialect(Dbms dbms, DialectOptions options = {});
    // The database on the other end of an open connection, as its driver names it. Given the
    // table, also its single-column primary key when it has one that names rows, and what the
    // database and its driver can do (asked once, for a run), over the options given.
    static Dialect Of(Connection& connection, const QString& table = {},
                      DialectOptions options = {});
    // The same dialect without row identity: rows are written by their value.
    Dialect WithoutRowNames() const;
    // The same dialect for an undo: a row named by its address is written only in the version
    // its identity names (see Versioned), never by its address and value alone.
    Dialect WithRowVersions() const;

    const DialectOptions& Options() const { return options_; }
    const QString& keyColumn() const { return options_.keyColumn; }
    const QString& keyType() const { return options_.keyType; }
    // The table's primary key has several columns: rows are named by their address.
    bool CompositeKey() const { return options_.compositeKey; }
    // Rows are read with an identity that each write names; otherwise a write names the
    // rows holding the old value.
    bool NamesRows() const { return options_.namesRows; }
    // The database's catalogue tells a table's key, a column's facts and the table's size
    // (not so for another database).
    bool HasCatalogue() const;
    // The write returns each written row's place, identity after the write and stored
    // value; otherwise only a count of rows comes back.
    bool WriteReturnsRows() const;
    // The driver writes national character columns (Microsoft's old Oracle driver does not).
    bool WritesNationalText() const { return options_.nationalText; }
    // The set a column's text is stored in; empty where it was not read.
    const QString& CharacterSet(bool national) const {
        return national ? options_.ncharset : options_.charset;
    }

    // Run once on each connection a run opens.
    QStringList SessionStatements() const;
    // SELECT COUNT(*) FROM "T"
    QString CountStatement(const QString& table) const;
    // The columns' values first, then (where rows are named) the row's identity as text.
    QString ReadStatement(const QString& table, const QStringList& columns) const;
    // No rows, only the column's description.
    QString DescribeStatement(const QString& table, const QString& column) const;
    // One row, one column: the table's object id (empty result where there is none);
    // parameter: TableParameter, none for another database (its statement names the table).
    QString TableKeyStatement(const QString& table) const;
    // The table's primary key: its first column, that column's type and how many columns
    // the key has (no rows without a key); parameter: TableParameter. Empty for another
    // database, as are FactsStatement and SizeStatement (see HasCatalogue).
    QString KeyStatement() const;
    // The column's facts as whole numbers in ColumnFacts' order after `known`; parameters:
    // TableParameter, the column's name.
    QString FactsStatement() const;
    // What the database knows of the table's size without reading it: its estimate of the
    // rows (NULL where it has none), the pages (blocks) that estimate was taken from, and the
    // pages the table holds now; parameter: TableParameter. Empty for another database.
    QString SizeStatement() const;
    // The table as the catalogue statements take it.
    QString TableParameter(const QString& table) const;

    // The one statement that writes rows, prepared once per run: all of a group's rows in one
    // execution, or one row. `keyed`: the rows are named by the primary key ("=" and its
    // value). Holds only quoted names and parameter markers.
    QString WriteStatement(const WriteTarget& target, bool keyed) const;
    // The write's parameter sets for the rows.
    std::vector<ParameterColumn> WriteParameters(const std::vector<RowWrite>& rows,
                                                 bool keyed) const;
    // How the write's parameters are bound, each with the type of what it is compared with or
    // written into; empty: all as national text.
    std::vector<ParameterType> WriteParameterTypes(const WriteTarget& target, bool keyed) const;
    // The same for IdParameters.
    std::vector<ParameterType> IdParameterTypes(bool keyed) const;
    // The stored values of one row by its identity; parameters: IdParameters. For a write that
    // returns only a count, where a trigger may have changed a value on its way in. Empty
    // where rows have no identity.
    QString ReadBackStatement(const WriteTarget& target, bool keyed) const;

    // One row, one value, read right after a group's COMMIT on the same connection: a mark no
    // earlier than that commit, for the row named by IdParameters (one the group wrote). On
    // Oracle its ORA_ROWSCN; empty where the database has no such mark (the stand-in).
    QString CommitMarkStatement(const WriteTarget& target, bool keyed) const;

    // A row identity this dialect can write: one read by primary key needs the key.
    bool CanWrite(const QString& id) const;
    static bool IsKeyIdentity(const QString& id);
    // An address identity with the row version it was written in, "<address>@<version>":
    // on PostgreSQL the xmin the write returned, on Oracle an SCN read after the write's
    // commit (ORA_ROWSCN no later than it). A key identity takes no version.
    static QString Versioned(const QString& id, const QString& version);
    static QString Version(const QString& id);
    static QString Unversioned(const QString& id);
    // A row identity this dialect writes only where it proves the row: a key, or (with row
    // versions) an address with its version.
    bool Proves(const QString& id) const;
    // The parameters that name one row in the one-row statements: the key's value, the ROWID,
    // or on PostgreSQL the ctid and the tableoid; with row versions, then the version.
    QStringList IdParameters(const QString& id) const;
    // The place of a row read by its address, to follow a read through the table's pages: on
    // the stand-in from its ctid (see SessionStatements). None for a key, and none on Oracle: a
    // ROWID's block is numbered within its file, and a table's blocks are not one sequence across
    // files.
    RowPlace Place(const QString& id) const;

    // Reads back rows a write did not reach, to tell why; parameters: UnreachedParameters.
    // Each row found: its place among the ids (from 1) where one execution takes them all
    // (UnreachedTogether), else nothing; then 1 where it is in the version its identity names
    // (always without row versions), else 0; then each column's value as text. Empty where
    // rows have no identity: such a row is taken as changed.
    QString UnreachedStatement(const WriteTarget& target, bool keyed) const;
    std::vector<ParameterColumn> UnreachedParameters(const std::vector<QString>& ids,
                                                     bool keyed) const;
    bool UnreachedTogether() const { return WriteReturnsRows(); }

    Fault Classify(const Error& error) const;
    // The failure of a read that may start again: its snapshot is too old (ORA-01555), or
    // its connection was lost.
    bool ReadCanReopen(const Error& error) const;

private:
    Dialect(std::shared_ptr<const Rules> rules, DialectOptions options);
    friend bool Accepts(Connection& connection, const Dialect& dialect, const QString& statement);

    std::shared_ptr<const Rules> rules_;
    DialectOptions options_;
};

// Whether the database runs the statement, a probe of what it supports: false when it
// refuses it as a row fault or a missing object would be; a lost connection or a cancel
// is thrown.
bool Accepts(Connection& connection, const Dialect& dialect, const QString& statement);

// The names, quoted and joined by ", ", each behind `prefix`.
QString ColumnList(const QStringList& columns, const QString& prefix = {});

} // namespace db
