#include "cli/profile_source.h"

#include "app/settings_store.h"

#include <QtGlobal>

namespace cli {

namespace {

QString Remembered(const char* key) {
    return GetSetting(QLatin1String(SettingsAppName), QLatin1String(SettingsSection),
                      QLatin1String(key));
}

} // namespace

ConnectionProfile ResolveProfile(const QString& sidOption, const QString& userOption) {
    ConnectionProfile profile;
    profile.sid = sidOption.isNull() ? Remembered(KeyOracleSid) : sidOption;
    profile.user = userOption.isNull() ? Remembered(KeyOracleUser) : userOption;
    profile.password = qEnvironmentVariableIsSet("RECAP_PASSWORD")
                           ? qEnvironmentVariable("RECAP_PASSWORD")
                           : Remembered(KeyOraclePassword);
    return profile;
}

} // namespace cli
