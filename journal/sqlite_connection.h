#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// One SQLite connection under a name of its own, removed again when the object goes.
// Failures throw journal::Error; what() names the statement's purpose and SQLite's reason.
namespace journal {

class SqliteConnection {
public:
    enum class Open { CreateIfMissing, ExistingOnly, ReadOnly };
    // ExistingOnly never creates the file: a journal removed meanwhile is not made anew,
    // empty. ReadOnly reads an existing file in a folder SQLite may not write its
    // shared-memory file in (without a write-ahead log beside it, as unchanging).
    explicit SqliteConnection(const QString& path, Open open = Open::CreateIfMissing);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    QSqlDatabase& Database() { return database_; }
    void Exec(const QString& sql);
    QSqlQuery Prepare(const QString& sql);
    static void Exec(QSqlQuery& query, const char* what);

    void Begin();
    void Commit();
    void Rollback() noexcept;

private:
    QString name_;
    QSqlDatabase database_;
};

// Commits in Commit(); rolls back when left without it (an exception on the way).
class Transaction {
public:
    explicit Transaction(SqliteConnection& connection) : connection_(connection) {
        connection_.Begin();
    }
    ~Transaction() {
        if (!done_)
            connection_.Rollback();
    }
    void Commit() {
        connection_.Commit();
        done_ = true;
    }

private:
    SqliteConnection& connection_;
    bool done_ = false;
};

} // namespace journal
