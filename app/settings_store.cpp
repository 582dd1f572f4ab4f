#include "app/settings_store.h"

#include <QFile>
#include <QSettings>
#include <sys/stat.h>

namespace {

QSettings StoreOf(const QString& appName) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, appName);
}

QString KeyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

} // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    const QSettings store = StoreOf(appName);
    return store.value(KeyPath(section, key), defaultValue).toString();
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    // The store holds the password in clear, so the file (and a folder made for it) must be
    // readable by its owner only, also while it is being replaced.
    const mode_t previousMask = ::umask(077);
    {
        QSettings store = StoreOf(appName);
        store.setValue(KeyPath(section, key), value);
        store.sync();
    }
    ::umask(previousMask);
    QFile::setPermissions(SettingsFilePath(appName), QFile::ReadOwner | QFile::WriteOwner);
}

QString SettingsFilePath(const QString& appName) {
    return StoreOf(appName).fileName();
}
