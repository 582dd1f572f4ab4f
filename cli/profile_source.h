#pragma once

#include "db/connection_profile.h"

#include <QString>

namespace cli {

// The connection profile for a command: SID and user from the options when given, else
// those the windows remember; the password from RECAP_PASSWORD when it is set, else the
// remembered one. A password is never taken from an argument.
ConnectionProfile ResolveProfile(const QString& sidOption, const QString& userOption);

} // namespace cli
