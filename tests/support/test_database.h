#pragma once

#include "db/connection_profile.h"

#include <QString>
#include <QStringList>

// The test server started by tools/testdb.sh for this CTest run.
namespace testdb {

// Loads the server's environment (PGPORT, ODBCSYSINI, ...) from the file named by
// TESTDB_ENV into this process; call before the first connection. Fails the test run
// with a clear message when the server is not running.
void LoadEnvironment();

struct User {
    QString name;
    QString password;
    // SID 127.0.0.1 with this user's name and password.
    ConnectionProfile profile() const;
};

// The server's superuser.
User Admin();

// A new login user with an empty schema of its own and an Oracle-style user_tables view
// listing that user's tables. Names are unique across the run (prefix plus a counter and
// the process id).
User CreateUser(const QString& prefix);

// Runs statements as the user; throws db::Error on failure.
void Exec(const User& user, const QString& sql);

// A text as an SQL literal: quotes doubled; NULL for a null QString.
QString Literal(const QString& text);

// The first column of every row of a query, in the order returned; NULL as a null QString.
QStringList Column(const User& user, const QString& sql);

} // namespace testdb
