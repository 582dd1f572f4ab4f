#pragma once

#include "db/connection_profile.h"

#include <QString>

namespace cli {

// The connection profile for a command: SID and user from the options when given, else
// those the windows remember; the password from RECAP_PASSWORD when it is set, else the
// remembered one, else asked for on the terminal. A password is never taken from an
// argument. Throws std::runtime_error naming RECAP_PASSWORD when there is no password and
// no terminal to ask on, and one naming --sid and --user when either is empty.
ConnectionProfile ResolveProfile(const QString& sidOption, const QString& userOption);

} // namespace cli
