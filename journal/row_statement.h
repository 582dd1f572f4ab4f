#pragma once

#include <QString>
#include <QStringView>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace journal {

class SqliteConnection;

// A statement run once per row straight through SQLite's own interface, on the connection Qt
// SQL opened (and inside its transactions): binding each value through Qt SQL costs several
// times what SQLite needs to store the row. Failures throw journal::Error.
class RowStatement {
public:
    RowStatement(SqliteConnection& connection, const char* sql);
    ~RowStatement();
    RowStatement(const RowStatement&) = delete;
    RowStatement& operator=(const RowStatement&) = delete;

    // Parameters count from 1. A text must live until Run (or First).
    void Bind(int index, qint64 value);
    // A null QString binds SQL NULL.
    void Bind(int index, const QString& text);
    // Runs the statement once with the values bound; `what` names its purpose in a failure.
    void Run(const char* what);
    // Runs a query once: the first column of its first row, or `none` when it has no row.
    qint64 Number(const char* what, qint64 none);
    // Runs a query for its first row: true when there is one, its columns (from 0) then read
    // by NumberAt and TextAt until Reset.
    bool First(const char* what);
    qint64 NumberAt(int column) const;
    QString TextAt(int column) const; // a null QString for NULL
    void Reset();
    // The rows the last Run inserted, changed or removed.
    qint64 Changes() const;

private:
    // Binds the texts Bind was given, as UTF-8 in one buffer the statement reads in place.
    void BindTexts();

    sqlite3* database_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    std::vector<std::pair<int, QStringView>> texts_;
    std::vector<char> utf8_;
};

} // namespace journal
