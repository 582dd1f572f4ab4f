#pragma once

#include "db/connection.h"

#include <QString>
#include <QVariant>
#include <atomic>
#include <memory>
#include <vector>

namespace db {

// One column of a result. Value() is a null QVariant (not valid) for a database NULL,
// otherwise the value in its text form as a QString.
class Field {
public:
    const QString& Name() const { return name_; }
    const QVariant& Value() const { return value_; }
    // The column's SQL data type (SQL_VARCHAR, SQL_INTEGER ...) as the driver describes it.
    int SqlType() const { return sqlType_; }
    // True for character columns (CHAR, VARCHAR, LONGVARCHAR and their wide forms).
    bool IsText() const;
    // True for blank-padded character columns (CHAR, NCHAR).
    bool IsFixedWidth() const;

private:
    friend class Recordset;
    QString name_;
    QVariant value_;
    int sqlType_ = 0;
};

class Fields {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const Field& operator[](int index) const; // throws db::Error when out of range
    const Field& Item(int index) const { return (*this)[index]; }

private:
    friend class Recordset;
    std::vector<Field> items_;
};

// The rows of one query. With a client cursor (the connection's CursorLocation is
// adUseClient) the whole result is fetched at Open, so RecordCount() is exact; otherwise
// rows are fetched one by one as MoveNext() advances and RecordCount() is -1.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    // Runs the query on an open connection and positions on the first row (like the
    // connection's Execute; cursor and lock type change nothing).
    void Open(const QString& statement, Connection& connection, int cursorType = adOpenForwardOnly,
              int lockType = adLockReadOnly);

    int RecordCount() const;
    bool Eof() const;
    void MoveNext();
    // The current row's columns; names and types also when there is no current row (the
    // values are then null).
    const Fields& GetFields() const;
    void Close();
    bool IsOpen() const;

    // RecordCount, Eof, MoveNext, GetFields and Close throw db::Error on a closed record set;
    // MoveNext also past the last row.

private:
    friend class Connection;
    friend class Statement;
    struct State;
    std::unique_ptr<State> state_;

    // For Connection::Execute, on a statement handle whose query has just run. ReadAll reads
    // every row now and leaves the handle to the caller; Stream keeps the handle, registered
    // in the connection's list of live statements, and reads as it moves.
    static Recordset ReadAll(void* connection, void* statement);
    // `inFlight`: the connection's slot of the statement its Cancel stops, set while a fetch
    // waits on the server.
    static Recordset Stream(void* connection, void* statement,
                            const std::shared_ptr<std::vector<void*>>& live,
                            std::atomic<void*>* inFlight);
};

} // namespace db
