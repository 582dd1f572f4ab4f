#include "app/app_title.h"
#include "app/files.h"
#include "app/look_and_feel.h"
#include "app/pointer.h"
#include "app/twips.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
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
