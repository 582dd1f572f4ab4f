#include "app/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString App = SettingsAppName;
const QString Section = SettingsSection;
} // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QFile::remove(SettingsFilePath(App)); }

    void absentKeyGivesTheDefault() {
        QCOMPARE(GetSetting(App, Section, KeyOracleSid), QString());
        QCOMPARE(GetSetting(App, Section, KeyOracleSid, "fallback"), QString("fallback"));
    }

    void valuesComeBackExactly_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("spaces kept") << "  pass word  ";
        QTest::newRow("empty") << "";
        QTest::newRow("ini syntax") << "a=b;[section]\\ \"q\" #c ,d";
        QTest::newRow("line breaks") << "one\r\ntwo\tthree";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Zoë Ωμέγα 😀");
        QTest::newRow("long") << QString(10000, QChar('x'));
    }
    void valuesComeBackExactly() {
        QFETCH(QString, value);
        SaveSetting(App, Section, KeyOraclePassword, value);
        QCOMPARE(GetSetting(App, Section, KeyOraclePassword, "default"), value);
    }

    void storeIsReadableByItsOwnerOnly() {
        SaveSetting(App, Section, KeyOracleUser, "scott");
        QCOMPARE(QFileInfo(SettingsFilePath(App)).permissions(),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        SaveSetting(App, Section, KeyOracleUser, "tiger");
        QVERIFY(!(QFileInfo(SettingsFilePath(App)).permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther)));
    }

    void keysAreStoredUnderTheSection() {
        SaveSetting(App, Section, KeyOracleSid, "ZEDB");
        QFile file(SettingsFilePath(App));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("OracleSID=ZEDB"));
        QVERIFY(text.contains("Quillmark"));
        QVERIFY(SettingsFilePath(App).contains("Vantrel"));
    }

    // A damaged file reads as defaults where it cannot be understood, and writing goes on.
    void corruptFileStillWorks() {
        QDir().mkpath(QFileInfo(SettingsFilePath(App)).absolutePath());
        QFile file(SettingsFilePath(App));
        QVERIFY(file.open(QIODevice::WriteOnly));
        static const char garbage[] = "\x00\xff[[[garbage\n=\n\xc3(";
        file.write(garbage, sizeof garbage - 1);
        file.close();
        QCOMPARE(GetSetting(App, Section, KeyOracleSid), QString());
        SaveSetting(App, Section, KeyOracleSid, "ZEDB");
        QCOMPARE(GetSetting(App, Section, KeyOracleSid), QString("ZEDB"));
    }

    // A store whose folder cannot be made loses the write but never fails the caller.
    void unwritableFolderIsSurvived() {
        QTemporaryDir dir;
        const QString blocker = dir.filePath("not-a-folder");
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocker + "/config");
        SaveSetting(App, Section, KeyOracleSid, "lost");
        QCOMPARE(GetSetting(App, Section, KeyOracleSid, "default"), QString("default"));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           qEnvironmentVariable("XDG_CONFIG_HOME"));
    }
};

QTEST_MAIN(SettingsStoreTest)
#include "tst_settings_store.moc"
