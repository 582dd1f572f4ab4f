#include "cli/profile_source.h"

#include "app/settings_store.h"
#include "cli/password_prompt.h"

#include <QtGlobal>
#include <stdexcept>

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
    if (profile.sid.isEmpty() || profile.user.isEmpty())
        throw std::runtime_error("No SID or user to connect as: give --sid and --user (or save "
                                 "them in the connection window)");
    if (qEnvironmentVariableIsSet("RECAP_PASSWORD")) {
        profile.password = qEnvironmentVariable("RECAP_PASSWORD");
        return profile;
    }
    profile.password = Remembered(KeyOraclePassword);
    if (!profile.password.isEmpty())
        return profile;
    const std::optional<QString> typed =
        PromptPassword(QStringLiteral("Password for %1 on %2: ").arg(profile.user, profile.sid));
    if (!typed)
        throw std::runtime_error(
            "No password: set the environment variable RECAP_PASSWORD to give it (or save it "
            "in the connection window); it is never taken from an argument");
    profile.password = *typed;
    return profile;
}

} // namespace cli
