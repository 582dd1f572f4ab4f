#include "app/app_title.h"
#include "app/settings_store.h"
#include "app/window_system.h"
#include "silent_server.h"
#include "support/message_recorder.h"
#include "windows_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

QString Stored(const char* key) {
    return GetSetting(SettingsAppName, SettingsSection, QLatin1String(key));
}

const QString SidHelpText =
    "This software works with Oracle 9i or higher.\r\r"
    "The SID is used to identify a particular database. The SID is usually defined in the "
    "TNSNAMES.ORA file. The TNSNAMES.ORA file found in my Oracle 9i folder looks like:"
    "\r\n\r\n"
    "ZEDB =\r\n"
    " (DESCRIPTION =\r\n"
    "   (ADDRESS_LIST =\r\n"
    "     (ADDRESS = (PROTOCOL = TCP)(HOST = 192.0.2.10)(PORT = 1521))\r\n"
    "   )\r\n"
    "   (CONNECT_DATA =\r\n"
    "     (SID = ZEDB)\r\n"
    "   )\r\n"
    " )"
    "\r\n\r\n"
    "Therefore, my SID would be ZEDB";

} // namespace

class ConnectionWindowTest : public QObject {
    Q_OBJECT

    testdb::User owner_;
    testdb::User other_;

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        owner_ = testdb::CreateUser("conn");
        other_ = testdb::CreateUser("connb");
        testdb::Exec(owner_, "CREATE TABLE people (name text); INSERT INTO people VALUES ('ann');"
                             "CREATE TABLE places (town text)");
        testdb::Exec(other_, "CREATE TABLE invoices (payee text)");
    }

    void init() { QFile::remove(SettingsFilePath(SettingsAppName)); }

    void startWithNothingStored() {
        MessageRecorder recorder;
        auto form1 = fixture::Start();
        QVERIFY(form1->isVisible());
        QVERIFY(!form1->WorkWindow());
        QCOMPARE(form1->windowTitle(), QString(ProductName));
        QCOMPARE(ApplicationTitle(), QString("Quillmark Column Recapitalizer for"));
        QVERIFY(form1->Text1->text().isEmpty() && form1->Text2->text().isEmpty() &&
                form1->Text3->text().isEmpty());
        QVERIFY(recorder.messages().isEmpty());
    }

    void startWithAConnectingProfile() {
        MessageRecorder recorder;
        fixture::RememberProfile(owner_.profile());
        auto form1 = fixture::Start();
        QVERIFY(form1->isHidden());
        QVERIFY(form1->WorkWindow() && form1->WorkWindow()->isVisible());
        Form2* form2 = form1->WorkWindow();
        QCOMPARE(fixture::Items(form2->ListView1), QStringList({"people", "places"}));
        QCOMPARE(fixture::Items(form2->ListView2), QStringList({"name"}));
        QCOMPARE(fixture::Items(form2->ListView3), QStringList({"ann"}));
        QCOMPARE(form1->Text2->text(), owner_.name);
        QCOMPARE(Stored(KeyOracleUser), owner_.name); // filling the boxes wrote them back
        QVERIFY(recorder.messages().isEmpty());
    }

    void startWithAStaleProfile() {
        MessageRecorder recorder;
        ConnectionProfile stale = owner_.profile();
        stale.password = " changed on the server ";
        fixture::RememberProfile(stale);
        auto form1 = fixture::Start();
        QVERIFY(form1->isVisible());
        QVERIFY(!form1->WorkWindow());
        QCOMPARE(form1->Text3->text(), stale.password);
        QCOMPARE(form1->Text3->displayText(), QString(stale.password.size(), '*'));
        QVERIFY(recorder.messages().isEmpty());
    }

    void everyKeystrokeIsStored() {
        auto form1 = fixture::Start();
        form1->Text2->setFocus();
        QStringList stored;
        for (QChar c : QString("scott")) {
            QTest::keyClick(form1->Text2, c.toLatin1());
            stored.append(Stored(KeyOracleUser));
        }
        QCOMPARE(stored, QStringList({"s", "sc", "sco", "scot", "scott"}));
        form1->Text2->clear();
        QCOMPARE(Stored(KeyOracleUser), QString());
    }

    void focusSelectsTheWholeText() {
        fixture::RememberProfile({"ZEDB", "scott", "tiger"});
        auto form1 = fixture::Start();
        QVERIFY(QTest::qWaitForWindowActive(form1.get()));
        QCOMPARE(QApplication::focusWidget(), form1->Text1);
        QCOMPARE(form1->Text1->selectedText(), QString("ZEDB"));
        QTest::keyClick(form1.get(), Qt::Key_Tab);
        QTest::keyClick(form1.get(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form1->Text2);
        QCOMPARE(form1->Text2->selectedText(), QString("scott"));
        QTest::keyClicks(form1->Text2, "adams");
        QCOMPARE(form1->Text2->text(), QString("adams"));
    }

    void helpTexts() {
        auto form1 = fixture::Start();
        MessageRecorder recorder;
        form1->PushButton1->click();
        QCOMPARE(recorder.texts(), QStringList({SidHelpText}));
        recorder.clear();
        form1->PushButton6->click();
        QCOMPARE(recorder.texts(),
                 QStringList({SidHelpText, "This software does not support the CLOB and NLOB "
                                           "data type in Oracle."}));
        for (const Message& message : recorder.messages()) {
            QCOMPARE(message.title, ApplicationTitle());
            QCOMPARE(message.icon, MessageIcon::None);
        }
    }

    // One message per press, from the test's own connection form.
    void testConnection_data() {
        QTest::addColumn<bool>("rightPassword");
        QTest::addColumn<QString>("message");
        QTest::newRow("connects") << true << "Connection successful.";
        QTest::newRow("refused") << false
                                 << "Could not connect. Please check with your administrator.";
    }
    void testConnection() {
        QFETCH(bool, rightPassword);
        QFETCH(QString, message);
        auto form1 = fixture::Start();
        form1->Text1->setText("127.0.0.1");
        form1->Text2->setText(owner_.name);
        form1->Text3->setText(rightPassword ? owner_.password : "wrong");
        MessageRecorder recorder;
        form1->PushButton5->click();
        QCOMPARE(recorder.texts(), QStringList({message}));
        QCOMPARE(form1->Pointer().Setting(), 0);
        QVERIFY(form1->isVisible()); // the test never opens the work window
        form1->PushButton5->click();
        QCOMPARE(recorder.texts().size(), 2);
    }

    // A remembered profile whose server accepts and never answers: the connection window comes
    // up busy at once, and while the check waits its buttons start nothing.
    void silentServerAtStartUp_data() {
        QTest::addColumn<QString>("press");
        QTest::newRow("Test Connection") << "Test Connection";
        QTest::newRow("Next >") << "Next >";
        QTest::newRow("Help") << "Help";
    }
    void silentServerAtStartUp() {
        QFETCH(QString, press);
        fixture::RememberProfile(owner_.profile());
        fixture::SilentServer server(1500);
        fixture::PortScope silent(server.port());
        MessageRecorder recorder;
        Form1 form1;
        bool shownBusy = false;
        QTimer::singleShot(400, &form1, [&] {
            shownBusy = form1.isVisible() && form1.Pointer().Setting() == WindowPointer::Busy;
            (press == "Test Connection" ? form1.PushButton5
             : press == "Next >"        ? form1.PushButton3
                                        : form1.PushButton6)
                ->click();
        });
        form1.Form_Load();
        QVERIFY(shownBusy);
        QVERIFY(form1.isVisible() && !form1.WorkWindow());
        QCOMPARE(form1.Pointer().Setting(), WindowPointer::Default);
        QVERIFY(recorder.messages().isEmpty());
    }

    void nextWithAWrongPasswordDoesNothing() {
        auto form1 = fixture::Start();
        MessageRecorder recorder;
        form1->Text1->setText("127.0.0.1");
        form1->Text2->setText(owner_.name);
        form1->Text3->setText("wrong");
        form1->PushButton3->click();
        QVERIFY(form1->isVisible());
        QVERIFY(!form1->WorkWindow());
        QVERIFY(recorder.messages().isEmpty());
    }

    // Back and forth between the windows, also as another user: each table once.
    void nextAfterSetupConnection() {
        auto form1 = fixture::Start();
        MessageRecorder recorder;
        form1->Text1->setText("127.0.0.1");
        form1->Text2->setText(owner_.name);
        form1->Text3->setText(owner_.password);
        form1->PushButton3->click();
        Form2* form2 = form1->WorkWindow();
        QVERIFY(form2 && form2->isVisible() && form1->isHidden());
        for (int round = 0; round < 2; ++round) {
            form2->PushButton5->click();
            QVERIFY(form1->isVisible() && form2->isHidden());
            form1->PushButton3->click();
            QVERIFY(form2->isVisible() && form1->isHidden());
            QCOMPARE(fixture::Items(form2->ListView1), QStringList({"people", "places"}));
            QCOMPARE(form2->Combo1->count(), 4);
            QCOMPARE(form2->ListView1->headerItem()->text(0), QString("Table(s)"));
            QCOMPARE(form2->ListView1->columnCount(), 1);
        }
        form2->PushButton5->click();
        form1->Text2->setText(other_.name);
        form1->Text3->setText(other_.password);
        form1->PushButton3->click();
        QCOMPARE(fixture::Items(form2->ListView1), QStringList({"invoices"}));
        QCOMPARE(fixture::Items(form2->ListView2), QStringList({"payee"}));
        QVERIFY(fixture::Items(form2->ListView3).isEmpty());
        QVERIFY(recorder.messages().isEmpty());
    }

    // Closing the connection window ends the program although the work window exists,
    // hidden. (The flag stays set for the rest of this test program: keep this test last.)
    void closingTheConnectionWindowEndsTheProgram() {
        fixture::RememberProfile(owner_.profile());
        auto form1 = fixture::Start();
        Form2* form2 = form1->WorkWindow();
        QVERIFY(form2);
        form2->PushButton5->click();
        QVERIFY(!ProgramEnding());
        QVERIFY(form1->close());
        QVERIFY(ProgramEnding());
    }
};

QTEST_MAIN(ConnectionWindowTest)
#include "tst_connection_window.moc"
