#include "app/app_title.h"
#include "app/files.h"
#include "app/look_and_feel.h"
#include "app/messages.h"
#include "app/pointer.h"
#include "app/twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void applicationTitle_data() {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("product name") << "Quillmark Column Recapitalizer for Database Tables"
                                      << "Quillmark Column Recapitalizer for";
        QTest::newRow("short name still loses its last word") << "Short Name"
                                                              << "Short";
        QTest::newRow("exactly 41 after one cut") << QString(41, 'a') + " b c" << QString(41, 'a');
        QTest::newRow("one word") << "Quillmark"
                                  << "Quillmark";
    }
    void applicationTitle() {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitleFor(product), title);
    }

    // The message seam's real path: an application-modal box titled with the application
    // title, with the text and no icon and one OK button, or a question icon and Yes and No
    // (No the default); it returns when a button is pressed, a question with the answer. A
    // timer finds the box as the active modal widget and presses the button.
    void realMessageBox_data() {
        QTest::addColumn<bool>("question");
        QTest::addColumn<int>("press"); // a QMessageBox::StandardButton
        QTest::newRow("plain box, OK") << false << int(QMessageBox::Ok);
        QTest::newRow("question, Yes") << true << int(QMessageBox::Yes);
        QTest::newRow("question, No") << true << int(QMessageBox::No);
    }
    void realMessageBox() {
        QFETCH(bool, question);
        QFETCH(int, press);
        SetApplicationTitle();
        SetMessageSink({}); // the real boxes (this test installs no sink; make sure)
        struct {
            bool seen = false;
            QString title, text;
            QMessageBox::Icon icon = QMessageBox::Warning;
            QMessageBox::StandardButtons buttons;
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
            Qt::WindowModality modality = Qt::NonModal;
        } shown;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                // Never found: end the box rather than hang the test (which then fails).
                if (waited.elapsed() > 10000) {
                    for (QWidget* widget : QApplication::topLevelWidgets())
                        if (auto* other = qobject_cast<QMessageBox*>(widget))
                            other->reject();
                }
                return;
            }
            poll.stop();
            shown.seen = true;
            shown.title = box->windowTitle();
            shown.text = box->text();
            shown.icon = box->icon();
            shown.buttons = box->standardButtons();
            shown.modality = box->windowModality();
            if (box->defaultButton())
                shown.defaultButton = box->standardButton(box->defaultButton());
            box->button(QMessageBox::StandardButton(press))->click();
        });
        poll.start(10);
        const QString text = QStringLiteral("A real box.\nSecond line.");
        bool yes = false;
        if (question)
            yes = AskYesNo(text);
        else
            ShowMessage(text);
        poll.stop();
        QVERIFY(shown.seen);
        QCOMPARE(shown.title, QString("Quillmark Column Recapitalizer for"));
        QCOMPARE(shown.title, ApplicationTitle());
        QCOMPARE(shown.text, text);
        QCOMPARE(shown.buttons, question ? QMessageBox::Yes | QMessageBox::No
                                         : QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(shown.icon, question ? QMessageBox::Question : QMessageBox::NoIcon);
        if (question)
            QCOMPARE(shown.defaultButton, QMessageBox::No);
        QCOMPARE(yes, press == QMessageBox::Yes);
        QCOMPARE(shown.modality, Qt::ApplicationModal);
        QVERIFY(!QApplication::activeModalWidget()); // closed when the call returned
    }

    void fileExists() {
        QTemporaryDir dir;
        QFile file(dir.filePath("HAND-M.CUR"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(FileExists(file.fileName()));
        QVERIFY(FileExists(dir.path()));
        QVERIFY(!FileExists(dir.filePath("missing.cur")));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(QString::fromUtf8("bad\0path", 8)));
    }

    void twipsScaleWithTheResolution() {
        QCOMPARE(TwipsToPixels(8040), 536);
        QCOMPARE(TwipsToPixels(3180), 212);
        QCOMPARE(TwipsToPixels(9240), 616);
        QCOMPARE(TwipsToPixels(7545), 503);
    }

    void systemColoursResolveThroughThePalette() {
        const QPalette palette;
        QCOMPARE(ResolveColour(ColourButtonFace), palette.color(QPalette::Button));
        QCOMPARE(ResolveColour(ColourButtonText), palette.color(QPalette::ButtonText));
        QCOMPARE(ResolveColour(ColourWindow), palette.color(QPalette::Base));
        QCOMPARE(ResolveColour(ColourWindowText), palette.color(QPalette::Text));
        QCOMPARE(ResolveColour(ColourWhite), QColor(Qt::white));
        QCOMPARE(ResolveColour(0x000000FF), QColor(255, 0, 0)); // 0x00BBGGRR
    }

    void handCursorFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("loads");
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("not a cursor") << QByteArray("GIF89a nonsense") << false;
        QTest::newRow("truncated cursor")
            << QByteArray::fromHex("000002000100202000000800") << false;
    }
    void handCursorFiles() {
        QFETCH(QByteArray, content);
        QFETCH(bool, loads);
        QTemporaryDir dir;
        QFile file(dir.filePath("HAND-M.CUR"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QWidget window;
        WindowPointer pointer(&window);
        bool loaded = true;
        try {
            pointer.LoadHand(file.fileName());
        } catch (const std::exception&) {
            loaded = false;
        }
        QCOMPARE(loaded, loads);
        QCOMPARE(pointer.HasOwnHand(), loads);
    }
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
