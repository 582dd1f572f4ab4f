#include "app/error_report.h"
#include "support/message_recorder.h"

#include <QTest>
#include <stdexcept>

class ErrorReportTest : public QObject {
    Q_OBJECT
private slots:
    void reportText_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("expected");
        const QString tail =
            "\r\rPlease email screenshot of this message to support@quillmark.example";
        QTest::newRow("select all")
            << "Invalid index"
            << "Form2"
            << "PushButton2_Click" << 102
            << "Invalid index\r\nin Quillmark2021/08/31.Form2.PushButton2_Click at line 102" + tail;
        QTest::newRow("empty description")
            << ""
            << "Form1"
            << "Form_Load" << 126
            << "\r\nin Quillmark2021/08/31.Form1.Form_Load at line 126" + tail;
        QTest::newRow("before the first step")
            << "x"
            << "Form2"
            << "PushButton1_Click" << 0
            << "x\r\nin Quillmark2021/08/31.Form2.PushButton1_Click at line 0" + tail;
    }
    void reportText() {
        QFETCH(QString, description);
        QFETCH(QString, window);
        QFETCH(QString, procedure);
        QFETCH(int, step);
        QFETCH(QString, expected);
        QCOMPARE(ErrorReportText(description, window, procedure, step), expected);
    }

    void reportIsAWarningTitledApplicationError() {
        MessageRecorder recorder;
        ShowErrorReport("boom", "Form1", "PushButton5_Click", 100);
        QCOMPARE(recorder.messages().size(), 1);
        QCOMPARE(recorder.messages()[0].title, QString("Application Error"));
        QCOMPARE(recorder.messages()[0].icon, MessageIcon::Warning);
    }

    // Each fault is reported once with its step, in step order, and the procedure goes on;
    // a failed step leaves what it would have set unchanged.
    void faultsAreReportedAndTheProcedureCarriesOn() {
        MessageRecorder recorder;
        Steps steps = ReportingSteps("Form2", "PushButton1_Click");
        int value = 7;
        QVERIFY(steps.Run(100, [&] { value = 1; }));
        QVERIFY(!steps.Run(102, [&] {
            throw std::runtime_error("first");
            value = 2;
        }));
        QVERIFY(!steps.Run(104, [] { throw 42; }));
        QVERIFY(steps.Run(106, [&] { value += 10; }));
        QCOMPARE(value, 11);
        QCOMPARE(steps.Failures(), 2);
        QCOMPARE(recorder.texts().size(), 2);
        QVERIFY(recorder.texts()[0].startsWith(
            "first\r\nin Quillmark2021/08/31.Form2.PushButton1_Click at line 102\r\r"));
        QVERIFY(recorder.texts()[1].contains("PushButton1_Click at line 104\r\r"));
    }

    // A test that fails counts as passed, so the branch it guards runs.
    void failingTestCountsAsPassed() {
        MessageRecorder recorder;
        Steps steps = ReportingSteps("Form2", "PushButton1_Click");
        QVERIFY(steps.Test(104, []() -> bool { throw std::runtime_error("no list"); }));
        QVERIFY(!steps.Test(126, [] { return false; }));
        QVERIFY(steps.Test(140, [] { return true; }));
        QCOMPARE(recorder.texts().size(), 1);
        QVERIFY(recorder.texts()[0].contains("at line 104"));
    }

    // A fault inside a routine without a handler is reported as the calling step.
    void faultInACalledRoutineNamesTheCaller() {
        MessageRecorder recorder;
        Steps steps = ReportingSteps("Form2", "Form_Load");
        auto fillTableList = [] { throw std::runtime_error("table or view does not exist"); };
        steps.Run(112, fillTableList);
        QCOMPARE(recorder.texts().size(), 1);
        QVERIFY(recorder.texts()[0].startsWith(
            "table or view does not exist\r\nin Quillmark2021/08/31.Form2.Form_Load at line 112"));
    }
};

QTEST_MAIN(ErrorReportTest)
#include "tst_error_report.moc"
