#pragma once

#include "db/connection_profile.h"

#include <QString>

// Database helpers shared by the windows.
namespace Oracle {

// True when an ODBC-form connection opens with the profile; never throws, never shows.
bool CanConnect(const ConnectionProfile& profile);

// The connection test: true when an OLE DB-form connection opens.
bool ConnectionTestSucceeds(const ConnectionProfile& profile);

} // namespace Oracle
