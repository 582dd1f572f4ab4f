#pragma once

#include <QString>

// The per-user store of text values, addressed by application name, section and key. It is
// an INI file under the user's configuration folder ($XDG_CONFIG_HOME), readable by its
// owner only.

inline constexpr auto SettingsAppName = "Vantrel";
inline constexpr auto SettingsSection = "Quillmark Column Recapitalizer for Database Tables";
inline constexpr auto KeyOracleSid = "OracleSID";
inline constexpr auto KeyOracleUser = "OracleUser";
inline constexpr auto KeyOraclePassword = "OraclePassword";

// The stored text, or the default when the key or its section does not exist.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());

// Stores the value, creating section and key as needed. A store that cannot be written is
// left as it was; the caller carries on.
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);

// The file behind an application's store.
QString SettingsFilePath(const QString& appName);
