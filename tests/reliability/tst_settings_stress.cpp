#include "app/settings_store.h"
#include "support/message_recorder.h"
#include "ui/form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QString App = SettingsAppName;
const QString Section = SettingsSection;
constexpr int Writes = 300;

QString Stored(const char* key) {
    return GetSetting(App, Section, QLatin1String(key), QStringLiteral("<absent>"));
}

QFile::Permissions OwnerOnly() {
    return QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
}

// The value a writer stores at its i-th save: equal lengths, so that a save may leave the
// file's size unchanged.
QString Written(const QString& writer, int i) {
    return QStringLiteral("%1-%2").arg(writer).arg(i, 4, 10, QLatin1Char('0'));
}

// A second copy of the program, as far as the store is concerned: saves its own key and the
// shared password key, Writes times each.
int RunWriter(const QString& writer, const QString& ownKey) {
    for (int i = 0; i < Writes; ++i) {
        SaveSetting(App, Section, ownKey, Written(writer, i));
        SaveSetting(App, Section, QLatin1String(KeyOraclePassword), Written(writer, i));
    }
    return 0;
}

// 40,000 characters, all of them telling where they stand: the tag, then "00001 00002 ...".
QString LongValue(char tag) {
    QString value(1, QLatin1Char(tag));
    for (int i = 1; value.size() < 40000; ++i)
        value += QStringLiteral("%1 ").arg(i, 5, 10, QLatin1Char('0'));
    value.truncate(40000);
    return value;
}

void Type(QLineEdit* box, const QString& text) {
    box->clear();
    QTest::keyClicks(box, text);
}

} // namespace

// The settings store behind the connection window's boxes under damage and contention: a
// corrupt or unreachable file, two copies writing at once, a password with outer spaces.
class SettingsStress : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           qEnvironmentVariable("XDG_CONFIG_HOME"));
        const QString path = SettingsFilePath(App);
        QFile::remove(path);
        QDir(path).removeRecursively();
        QDir().mkpath(QFileInfo(path).absolutePath());
    }

    // Whatever the store holds or lacks, the window loads without a message, its boxes take
    // typing, and the profile is what was typed; where the file can be written, it then
    // holds the typed values, for its owner only.
    void damagedStore_data() {
        QTest::addColumn<QByteArray>("contents"); // written to the file unless a case below
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("writable");
        QTest::newRow("binary garbage")
            << QByteArray("\x00\xff\xfe[[[\n=\n\xc3(\x00", 12) << "" << true;
        QTest::newRow("unclosed section and broken escapes")
            << QByteArray("[Quillmark%20Column\nOracleSID=\"unclosed\nOracleUser=%ZZ\\x\\\n"
                          "[General]\n=novalue\n\xef\xbb\xbf")
            << "" << true;
        QTest::newRow("a line of 1 MB") << QByteArray(1 << 20, 'A') << "" << true;
        QTest::newRow("a folder where the file belongs") << QByteArray() << "folder" << false;
        QTest::newRow("folder path is a regular file") << QByteArray() << "path" << false;
    }
    void damagedStore() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, damage);
        QFETCH(bool, writable);
        QTemporaryDir scratch;
        if (damage == "folder") {
            QVERIFY(QDir().mkpath(SettingsFilePath(App)));
        } else if (damage == "path") {
            QFile blocker(scratch.filePath("not-a-folder"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                               blocker.fileName() + "/config");
        } else {
            QFile file(SettingsFilePath(App));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }

        MessageRecorder messages;
        Form1 form;
        form.Form_Load();
        Type(form.Text1, "ZEDB");
        Type(form.Text2, "scott");
        Type(form.Text3, " tiger ");
        QCOMPARE(messages.texts(), QStringList());
        QCOMPARE(form.Profile().sid, QString("ZEDB"));
        QCOMPARE(form.Profile().user, QString("scott"));
        QCOMPARE(form.Profile().password, QString(" tiger "));
        if (writable) {
            QCOMPARE(Stored(KeyOracleSid), QString("ZEDB"));
            QCOMPARE(Stored(KeyOracleUser), QString("scott"));
            QCOMPARE(Stored(KeyOraclePassword), QString(" tiger "));
            QCOMPARE(QFileInfo(SettingsFilePath(App)).permissions(), OwnerOnly());
        }
    }

    // Two copies save at once: afterwards the file reads cleanly, each key holds a value that
    // was written to it, a key only one copy writes holds that copy's last value, and the
    // file is still its owner's only.
    void twoCopiesWriteAtOnce() {
        QProcess first, second;
        first.start(QCoreApplication::applicationFilePath(), {"--writer", "a", KeyOracleSid});
        second.start(QCoreApplication::applicationFilePath(), {"--writer", "b", KeyOracleUser});
        QVERIFY(first.waitForFinished(120000));
        QVERIFY(second.waitForFinished(120000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);

        QSettings file(SettingsFilePath(App), QSettings::IniFormat);
        QCOMPARE(file.status(), QSettings::NoError);
        QCOMPARE(Stored(KeyOracleSid), Written("a", Writes - 1));
        QCOMPARE(Stored(KeyOracleUser), Written("b", Writes - 1));
        const QString password = Stored(KeyOraclePassword);
        QVERIFY2(password == Written("a", Writes - 1) || password == Written("b", Writes - 1),
                 qPrintable(password));
        QCOMPARE(QFileInfo(SettingsFilePath(App)).permissions(), OwnerOnly());
    }

    // Values longer than a line edit's default limit of 32,767 characters: start-up shows
    // each whole, and what it writes back into the store is the whole value too.
    void longValuesSurviveStartUp() {
        const QString sid = LongValue('S'), user = LongValue('U'), password = LongValue('P');
        SaveSetting(App, Section, QLatin1String(KeyOracleSid), sid);
        SaveSetting(App, Section, QLatin1String(KeyOracleUser), user);
        SaveSetting(App, Section, QLatin1String(KeyOraclePassword), password);

        MessageRecorder messages;
        Form1 form;
        form.Form_Load();
        QCOMPARE(messages.texts(), QStringList());
        const struct {
            QLineEdit* box;
            const char* key;
            QString value;
        } fields[] = {{form.Text1, KeyOracleSid, sid},
                      {form.Text2, KeyOracleUser, user},
                      {form.Text3, KeyOraclePassword, password}};
        for (const auto& field : fields) {
            // Sizes first: a failed comparison of the texts would print 40,000 characters.
            QCOMPARE(field.box->text().size(), field.value.size());
            QVERIFY2(field.box->text() == field.value, field.key);
            QCOMPARE(Stored(field.key).size(), field.value.size());
            QVERIFY2(Stored(field.key) == field.value, field.key);
        }
        QCOMPARE(form.Profile().password, password);
    }

    // A password typed with spaces at both ends comes back with them at the next start.
    void passwordKeepsItsSpaces() {
        const QString password = "  pass word  ";
        {
            Form1 form;
            form.Form_Load();
            Type(form.Text3, password);
        }
        QCOMPARE(QFileInfo(SettingsFilePath(App)).permissions(), OwnerOnly());
        Form1 next;
        next.Form_Load();
        QCOMPARE(next.Text3->text(), password);
        QCOMPARE(next.Profile().password, password);
    }
};

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--writer"))
        return RunWriter(arguments[2], arguments[3]);
    SettingsStress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_stress.moc"
