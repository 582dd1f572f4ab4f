#include "held_lock.h"
#include "silent_server.h"
#include "support/message_recorder.h"
#include "table_state.h"
#include "ui/progress_bar.h"
#include "windows_fixture.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <optional>

using namespace reliability;

// The windows while a database call waits: on a row another session holds locked, or on a
// server that accepts and never answers. Window events keep being processed, and closing a
// window ends the program within two seconds, leaving each row as it was or converted.
namespace {

const QString Table = QStringLiteral("T");
const QString ChildFlag = QStringLiteral("--close-during-wait");

// What a scenario waits on while it lasts: the table's first row locked by another session,
// or the server's port answered by the silent listener.
struct Obstacle {
    Obstacle(bool locked, const testdb::User& user, const fixture::SilentServer& server) {
        if (locked)
            lock.emplace(user, Table, "id = 1");
        else
            silent.emplace(server.port());
    }
    std::optional<HeldLock> lock;
    std::optional<fixture::PortScope> silent;
};

// Counts paints of a window and the longest time between two ticks of a 10 ms timer.
class Ticker : public QObject {
public:
    explicit Ticker(QWidget* window) : window_(window) {
        window_->installEventFilter(this);
        connect(&timer_, &QTimer::timeout, this, [this] {
            longest_ = std::max(longest_, sinceTick_.restart());
            window_->update();
        });
        sinceTick_.start();
        timer_.start(10);
    }
    ~Ticker() override { window_->removeEventFilter(this); }
    qint64 longestGap() const { return longest_; }
    int paints() const { return paints_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints_ += event->type() == QEvent::Paint;
        return false;
    }

private:
    QWidget* window_;
    QTimer timer_;
    QElapsedTimer sinceTick_;
    qint64 longest_ = 0;
    int paints_ = 0;
};

// The windows with the table and its text column chosen, ready for the scenario's press; the press
// of "Test Connection" happens in the connection window, brought back for it.
struct Windows {
    std::unique_ptr<Form1> form1;
    Form2* form2 = nullptr;
    int row = -1;

    explicit Windows(const testdb::User& user) {
        fixture::RememberProfile(user.profile());
        form1 = fixture::Start();
        form2 = form1->WorkWindow();
        row = fixture::Items(form2->ListView1).indexOf(Table);
        fixture::ClickRow(form2->ListView1, row);
        fixture::ClickRow(form2->ListView2, fixture::Items(form2->ListView2).indexOf("c"));
    }
    QWidget* windowOf(const QString& scenario) {
        if (scenario == "test")
            form2->PushButton5->click();
        return scenario == "test" ? static_cast<QWidget*>(form1.get()) : form2;
    }
    void press(const QString& scenario) {
        if (scenario == "test")
            form1->PushButton5->click();
        else if (scenario == "listing")
            fixture::ClickRow(form2->ListView1, row);
        else
            form2->PushButton1->click();
    }
};

// The child: sets up the scenario, closes its window half a second into the wait and
// prints when; returns only if the press came back before the close ended the process.
int CloseDuringWait(const QStringList& args) {
    testdb::LoadEnvironment();
    const QString scenario = args.at(0);
    const testdb::User user{args.at(1), args.at(2)};
    const quint16 port = args.at(3).toUShort();
    auto closeSoon = [](QWidget* window) {
        QTimer::singleShot(500, window, [window] {
            std::printf("closing %lld\n", QDateTime::currentMSecsSinceEpoch());
            std::fflush(stdout);
            window->close();
        });
    };
    std::optional<fixture::PortScope> silent;
    if (scenario == "startup") {
        fixture::RememberProfile(user.profile());
        silent.emplace(port);
        Form1 form1;
        closeSoon(&form1);
        form1.Form_Load();
    } else {
        Windows windows(user);
        QWidget* window = windows.windowOf(scenario);
        if (port)
            silent.emplace(port);
        closeSoon(window);
        windows.press(scenario);
    }
    std::printf("returned\n");
    return 3;
}

} // namespace

class Waits : public QObject {
    Q_OBJECT

    static void addScenarios(bool withStartUp) {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<bool>("locked"); // else the server is silent
        if (withStartUp)
            QTest::newRow("start-up, silent server") << "startup" << false;
        QTest::newRow("Test Connection, silent server") << "test" << false;
        QTest::newRow("column listing, silent server") << "listing" << false;
        QTest::newRow("run, silent server") << "run" << false;
        QTest::newRow("run, row locked") << "run" << true;
    }

private slots:
    void initTestCase() { testdb::LoadEnvironment(); }

    void eventsAreHandledDuringAWait_data() { addScenarios(false); }
    void eventsAreHandledDuringAWait() {
        QFETCH(QString, scenario);
        QFETCH(bool, locked);
        const testdb::User user = testdb::CreateUser("turn");
        MakeRowsTable(user, Table, 20);
        // The wait ends on its own: the lock times out, the server hangs up.
        testdb::Exec(testdb::Admin(),
                     QString("ALTER ROLE %1 SET lock_timeout = '1500ms'").arg(Ident(user.name)));
        fixture::SilentServer server(1500);
        Windows windows(user);
        QWidget* window = windows.windowOf(scenario);
        const Obstacle obstacle(locked, user, server);
        MessageRecorder recorder;
        QElapsedTimer took;
        took.start();
        qint64 gap = 0;
        int paints = 0;
        {
            Ticker ticker(window);
            windows.press(scenario);
            gap = ticker.longestGap();
            paints = ticker.paints();
        }
        const qint64 elapsed = took.elapsed();
        qInfo("%s: waited %lld ms; longest gap between events %lld ms; %d paints",
              qPrintable(scenario), elapsed, gap, paints);
        QVERIFY2(elapsed >= 1000, "no wait happened");
        QVERIFY(gap < 250);
        QVERIFY(paints > 0);
        QVERIFY(!recorder.messages().isEmpty()); // the failure, the lock or the test's answer
    }

    // A call that has waited more than two seconds: the work window's progress bar says so
    // until the call returns. A shorter wait says nothing.
    void longWaitsAreNamed_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<bool>("locked"); // else the server is silent
        QTest::addColumn<int>("waitMs");  // until the lock times out or the server hangs up
        QTest::newRow("run, row locked 3 s") << "run" << true << 3000;
        // The locked row waits twice: in its group, then alone.
        QTest::newRow("run, row locked 0.8 s") << "run" << true << 800;
        QTest::newRow("column listing, silent server 3 s") << "listing" << false << 3000;
    }
    void longWaitsAreNamed() {
        QFETCH(QString, scenario);
        QFETCH(bool, locked);
        QFETCH(int, waitMs);
        const testdb::User user = testdb::CreateUser("named");
        MakeRowsTable(user, Table, 20);
        testdb::Exec(
            testdb::Admin(),
            QString("ALTER ROLE %1 SET lock_timeout = '%2ms'").arg(Ident(user.name)).arg(waitMs));
        fixture::SilentServer server(waitMs);
        Windows windows(user);
        const Obstacle obstacle(locked, user, server);
        const QString waiting = "Waiting for the database...";
        const ProgressBar* bar = windows.form2->ProgressBar1;
        MessageRecorder recorder;
        QElapsedTimer took;
        qint64 firstNotice = -1;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (firstNotice < 0 && bar->text() == waiting)
                firstNotice = took.elapsed();
        });
        took.start();
        sampler.start(20);
        windows.press(scenario);
        sampler.stop();
        qInfo("%s: the press took %lld ms, the notice came at %lld ms", qPrintable(scenario),
              took.elapsed(), firstNotice);
        if (waitMs > 2000) {
            QVERIFY2(firstNotice >= 2000, "the notice came before the call had waited 2 s");
            QVERIFY2(firstNotice < waitMs, "no notice while the call waited");
        } else {
            QCOMPARE(firstNotice, -1);
        }
        QCOMPARE(bar->text(), QString("Progress Bar"));
    }

    // Esc while the run's group waits on a row another session holds: the wait is cancelled,
    // the group rolled back and the run ends quietly, long before the lock would time out.
    void escCancelsAWaitOnALock() {
        const testdb::User user = testdb::CreateUser("esc");
        MakeRowsTable(user, Table, 20);
        testdb::Exec(testdb::Admin(),
                     QString("ALTER ROLE %1 SET lock_timeout = '60s'").arg(Ident(user.name)));
        const TableState before = ReadTable(user, Table, "c");
        Windows windows(user);
        HeldLock lock(user, Table, "id = 1");
        MessageRecorder recorder;
        QElapsedTimer sinceEsc;
        QTimer::singleShot(1000, windows.form2, [&] {
            sinceEsc.start();
            QTest::keyClick(windows.form2, Qt::Key_Escape);
        });
        windows.press("run");
        qInfo("from Esc to the end of the run: %lld ms", sinceEsc.elapsed());
        QCOMPARE(recorder.texts(),
                 QStringList({"The run was stopped.\nRows changed: 0\nThe changes can be undone "
                              "with \"Undo Last Run...\" in the field list's menu (right mouse "
                              "button on the field)."}));
        lock.Release();
        QCOMPARE(Changed(before, ReadTable(user, Table, "c")), 0);
    }

    void closeDuringAWaitEndsTheProgram_data() { addScenarios(true); }
    void closeDuringAWaitEndsTheProgram() {
        QFETCH(QString, scenario);
        QFETCH(bool, locked);
        const testdb::User user = testdb::CreateUser("close");
        MakeRowsTable(user, Table, 20);
        const TableState before = ReadTable(user, Table, "c");
        fixture::SilentServer server;
        std::optional<HeldLock> lock;
        if (locked)
            lock.emplace(user, Table, "id = 10");
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {ChildFlag, scenario, user.name, user.password,
                     locked ? "0" : QString::number(server.port())});
        QVERIFY(child.waitForStarted());
        qint64 closedAt = 0;
        QByteArray output;
        QElapsedTimer deadline;
        deadline.start();
        while (!closedAt && deadline.elapsed() < 20000 && child.state() != QProcess::NotRunning) {
            child.waitForReadyRead(50);
            output += child.readAllStandardOutput();
            const qsizetype at = output.indexOf("closing ");
            if (at >= 0 && output.indexOf('\n', at) > at)
                closedAt = output.mid(at + 8, output.indexOf('\n', at) - at - 8).toLongLong();
        }
        child.waitForFinished(5000);
        const qint64 gone = QDateTime::currentMSecsSinceEpoch() - closedAt;
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            child.waitForFinished();
        }
        output += child.readAllStandardOutput();
        QVERIFY2(closedAt, "the close was never handled: the window thread did not take events "
                           "during the wait");
        qInfo("%s: from the close to the end of the process %lld ms", qPrintable(scenario), gone);
        QVERIFY2(!output.contains("returned"), "the wait ended before the close");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(gone < 2000);
        lock.reset();
        QCOMPARE(OldOrConverted(before, ReadTable(user, Table, "c"), Case::CaseMode::Upper),
                 QString());
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 6 && args.at(1) == ChildFlag)
        return CloseDuringWait(args.mid(2));
    Waits waits;
    return QTest::qExec(&waits, argc, argv);
}
#include "tst_waits.moc"
