#pragma once

#include "db/connection.h"
#include "db/connection_profile.h"

#include <QString>

// The test server started by tools/testdb.sh, reached through the program's own data layer.
namespace bench {

// Puts the KEY=VALUE lines of the server's settings file (PGPORT, ODBCSYSINI, ...) into this
// process's environment; call before the first connection. Throws db::Error.
void LoadServerEnvironment(const QString& file);

// The server's superuser, from the settings file.
ConnectionProfile AdminProfile();

// A fresh login user with a schema of its own (the server's create_oracle_user).
ConnectionProfile CreateUser(db::Connection& admin);

// Opens a connection as the change run does: client cursor, 5000-second time-outs.
void OpenLikeChangeRun(db::Connection& connection, const ConnectionProfile& profile);

// The first column of the first row of a query, in its text form.
QString Scalar(db::Connection& connection, const QString& query);

} // namespace bench
