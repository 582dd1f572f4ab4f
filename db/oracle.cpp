#include "db/oracle.h"

#include "db/connection.h"

namespace Oracle {

bool CanConnect(const ConnectionProfile& profile) {
    try {
        db::Connection connection;
        connection.SetConnectionString(OdbcConnectionString(profile));
        connection.Open();
        return true; // released here, which ends the connection
    } catch (...) {
        return false;
    }
}

bool ConnectionTestSucceeds(const ConnectionProfile& profile) {
    try {
        db::Connection connection;
        connection.Open(OleDbConnectionString(profile));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace Oracle
