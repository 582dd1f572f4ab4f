// The shared look of both windows: pointer reactions, colours, the optional skin file and
// the optional hand cursor file in the program folder.
#include "app/app_title.h"
#include "app/files.h"
#include "app/look_and_feel.h"
#include "app/settings_store.h"
#include "support/message_recorder.h"
#include "ui/form1.h"
#include "ui/form2.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QtEndian>
#include <memory>
#include <optional>

namespace {

constexpr int NoReaction = -1;

// Writes the file (a folder when `content` is null), and removes it when the guard ends.
auto PlaceInProgramFolder(const QString& relativePath, const QByteArray& content) {
    const QString path = ProgramFolder() + '/' + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    if (content.isNull()) {
        QDir().mkpath(path);
    } else {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }
    return qScopeGuard([path] {
        QFile::remove(path);
        QDir().rmdir(path);
        if (QFileInfo(path).path() != ProgramFolder())
            QDir().rmdir(QFileInfo(path).path());
    });
}

// A 32x32 Windows cursor: an icon file whose type is 2 and whose directory entry holds the
// hot spot where an icon keeps planes and bit count.
QByteArray CursorFile(QPoint hotSpot) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(4, 2, 12, 26, Qt::black);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "ico").write(image);
    QByteArray bytes = buffer.data();
    qToLittleEndian<quint16>(2, bytes.data() + 2);
    qToLittleEndian<quint16>(hotSpot.x(), bytes.data() + 10);
    qToLittleEndian<quint16>(hotSpot.y(), bytes.data() + 12);
    return bytes;
}

// The step numbers of the error reports shown.
QList<int> ReportedSteps(const MessageRecorder& recorder, const QString& window) {
    QList<int> steps;
    const QRegularExpression tag("in Quillmark2021/08/31\\." + window +
                                 "\\.Form_Load at line (\\d+)");
    for (const Message& message : recorder.messages()) {
        const QRegularExpressionMatch match = tag.match(message.text);
        if (message.title == "Application Error" && match.hasMatch())
            steps.append(match.captured(1).toInt());
        else
            steps.append(-1); // any other message
    }
    return steps;
}

// A point on the element where none of its children lies.
QPoint ClearPoint(QWidget* element) {
    if (element->isWindow())
        return {3, 3};
    if (qobject_cast<QGroupBox*>(element))
        return {element->width() - 6, element->height() - 6};
    if (qobject_cast<QLabel*>(element))
        return {element->width() - 2, 1};
    return element->rect().center();
}

// The painted pixel is the colour, give or take a style's faint shading (a frame's inside).
bool PaintedIn(QWidget* widget, QPoint point, const QColor& colour) {
    const QColor pixel = widget->grab(QRect(point, QSize(1, 1))).toImage().pixelColor(0, 0);
    return qAbs(pixel.red() - colour.red()) <= 4 && qAbs(pixel.green() - colour.green()) <= 4 &&
           qAbs(pixel.blue() - colour.blue()) <= 4;
}

} // namespace

class LookAndFeelTest : public QObject {
    Q_OBJECT

    QTemporaryDir noDrivers_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    int nudge_ = 0;

    QWidget* Window(const QString& name) {
        return name == "Form1" ? static_cast<QWidget*>(form1_.get()) : form2_.get();
    }
    WindowPointer& Pointer(const QString& window) {
        return window == "Form1" ? form1_->Pointer() : form2_->Pointer();
    }

    // "" is the window's surface, "ListView1 header" a list's header; a list's items area
    // is its viewport.
    QWidget* Element(const QString& window, const QString& element) {
        if (element.isEmpty())
            return Window(window);
        auto* list = Window(window)->findChild<QTreeWidget*>(element.section(' ', 0, 0));
        if (list && element.endsWith("header"))
            return list->header()->viewport();
        if (list && element.endsWith("scroll bar"))
            return list->verticalScrollBar();
        if (list)
            return list->viewport();
        return Window(window)->findChild<QWidget*>(element);
    }

    // Moves the mouse, as the window system reports it, onto the element.
    void MoveOver(QWidget* element) {
        QWidget* window = element->window();
        const QPoint point = element->mapTo(window, ClearPoint(element)) + QPoint(nudge_++ % 2, 0);
        QTest::mouseMove(window->windowHandle(), point);
    }

private slots:
    void initTestCase() {
        QApplication::setStyle("Fusion");
        // No ODBC driver is registered, so the loads' database steps fail at once.
        qputenv("ODBCSYSINI", noDrivers_.path().toLocal8Bit());
        qputenv("ODBCINI", noDrivers_.filePath("odbc.ini").toLocal8Bit());
        QFile::remove(HandCursorPath());
        QVERIFY2(ResolveColour(ColourButtonFace) != QColor(Qt::white),
                 "else colours prove nothing");
        form1_ = std::make_unique<Form1>();
        form2_ = std::make_unique<Form2>(form1_.get());
        for (int i = 0; i < 101; ++i) // enough to scroll
            new QTreeWidgetItem(form2_->ListView3, {QString::number(i)});
        for (QWidget* window : {Window("Form1"), Window("Form2")}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
    }

    void pointerReactions_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("element");
        QTest::addColumn<int>("reaction");
        auto rows = [](const char* window, QStringList elements, int reaction) {
            for (const QString& element : elements)
                QTest::addRow("%s %s", window, qPrintable(element.isEmpty() ? "surface" : element))
                    << window << element << reaction;
        };
        rows("Form1", {"", "Frame1", "Text1", "Text2", "Text3"}, WindowPointer::Default);
        rows("Form1", {"PushButton1", "PushButton5", "PushButton6", "PushButton3"},
             WindowPointer::Hand);
        rows("Form1", {"Label1", "Label2", "Label4"}, NoReaction);
        rows("Form2",
             {"", "Frame1", "ListView1", "ListView2", "ListView3", "ListView1 header",
              "ListView2 header", "ListView3 header", "ListView3 scroll bar"},
             WindowPointer::Default);
        rows("Form2", {"PushButton1", "PushButton5", "PushButton2", "PushButton3"},
             WindowPointer::Hand);
        rows("Form2", {"Combo1", "ProgressBar1"}, NoReaction);
    }
    void pointerReactions() {
        QFETCH(QString, window);
        QFETCH(QString, element);
        QFETCH(int, reaction);
        WindowPointer& pointer = Pointer(window);
        QWidget* target = Element(window, element);
        QVERIFY(target);
        const auto reset = qScopeGuard([&] { pointer.Set(WindowPointer::Default); });

        // Arriving from an element that set the hand, or from one that set the default.
        for (int before : {WindowPointer::Hand, WindowPointer::Default}) {
            pointer.Set(before);
            MoveOver(target);
            QCOMPARE(pointer.Setting(), reaction == NoReaction ? before : reaction);
        }
        // The busy pointer stays whatever the pointer moves over.
        pointer.Set(WindowPointer::Busy);
        MoveOver(target);
        QCOMPARE(pointer.Setting(), WindowPointer::Busy);
    }

    // The header's own pointer over a column divider, which the user drags to read long names.
    void listHeaderShowsItsResizePointer() {
        QHeaderView* header = form2_->ListView1->header();
        MoveOver(form2_->PushButton1);
        const QPoint divider(header->sectionSize(0) - 1, header->height() / 2);
        QTest::mouseMove(form2_->windowHandle(), header->viewport()->mapTo(form2_.get(), divider));
        QCOMPARE(form2_->Pointer().Setting(), WindowPointer::Default);
        QCOMPARE(header->viewport()->cursor().shape(), Qt::SplitHCursor);
    }

    void busyPointerHoldsUntilReset() {
        WindowPointer& pointer = form2_->Pointer();
        pointer.Set(WindowPointer::Busy);
        QCOMPARE(form2_->cursor().shape(), Qt::WaitCursor);
        for (QWidget* element :
             {static_cast<QWidget*>(form2_->PushButton1), static_cast<QWidget*>(form2_.get()),
              form2_->ListView3->viewport()})
            MoveOver(element);
        QCOMPARE(pointer.Setting(), WindowPointer::Busy);
        QCOMPARE(form2_->cursor().shape(), Qt::WaitCursor);

        pointer.Set(WindowPointer::Default);
        MoveOver(form2_->PushButton1);
        QCOMPARE(pointer.Setting(), WindowPointer::Hand);
        // No cursor file was loaded: the hand is the platform's pointing hand.
        QCOMPARE(form2_->cursor().shape(), Qt::PointingHandCursor);
        MoveOver(form2_.get());
        QCOMPARE(form2_->cursor().shape(), Qt::ArrowCursor);
    }

    // Background (or, for lists, base and text) colours of each element: Form1 under each
    // kind of skin path, Form2 after its recolouring.
    void colours_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("skin"); // what stands at the skin file's path
        QTest::addColumn<QString>("element");
        QTest::addColumn<int>("role");
        QTest::addColumn<QColor>("colour");
        const QColor white(Qt::white), face = ResolveColour(ColourButtonFace);
        auto rows = [](const char* window, const char* skin, QStringList elements,
                       QPalette::ColorRole role, const QColor& colour) {
            for (const QString& element : elements)
                QTest::addRow("%s %s %s", window, skin,
                              qPrintable(element.isEmpty() ? "surface" : element))
                    << window << skin << element << int(role) << colour;
        };
        const QStringList surfaces = {"", "Frame1", "Label1", "Label2", "Label4"};
        const QStringList buttons = {"PushButton1", "PushButton5", "PushButton6", "PushButton3"};
        const QStringList boxes = {"Text1", "Text2", "Text3"};
        for (const char* skin : {"none", "file", "folder"}) {
            rows("Form1", skin, surfaces, QPalette::Window, skin == QString("file") ? face : white);
            rows("Form1", skin, buttons, QPalette::Button, white);
            rows("Form1", skin, boxes, QPalette::Base,
                 QApplication::palette().color(QPalette::Base));
        }
        rows("Form2", "none", {"", "Frame1"}, QPalette::Window, face);
        rows("Form2", "none", {"PushButton1", "PushButton5", "PushButton2", "PushButton3"},
             QPalette::Button, white);
        rows("Form2", "none", {"PushButton1"}, QPalette::ButtonText,
             ResolveColour(ColourButtonText));
        rows("Form2", "none", {"ProgressBar1"}, QPalette::Window, white);
        rows("Form2", "none", {"ListView1", "ListView2", "ListView3"}, QPalette::Base,
             ResolveColour(ColourWindow));
        rows("Form2", "none", {"ListView1"}, QPalette::Text, ResolveColour(ColourWindowText));
    }
    void colours() {
        QFETCH(QString, window);
        QFETCH(QString, skin);
        QFETCH(QString, element);
        QFETCH(int, role);
        QFETCH(QColor, colour);
        Form1 form1;
        Form2 form2(&form1);
        if (window == "Form1") {
            const QByteArray content = skin == "file" ? QByteArray("skin") : QByteArray();
            std::optional<decltype(PlaceInProgramFolder({}, {}))> placed;
            if (skin != "none")
                placed.emplace(PlaceInProgramFolder("x/o.cjs", content));
            ApplySkin(&form1);
        } else {
            RecolourWindow(&form2);
        }
        QWidget* shown = window == "Form1" ? static_cast<QWidget*>(&form1) : &form2;
        QWidget* target = element.isEmpty() ? shown : shown->findChild<QWidget*>(element);
        QVERIFY(target);
        QCOMPARE(target->palette().color(QPalette::ColorRole(role)), colour);

        // What is painted, where nothing else covers the element's background.
        if (role == QPalette::Window && !qobject_cast<QProgressBar*>(target))
            QVERIFY(PaintedIn(target, ClearPoint(target), colour));
        if (auto* list = qobject_cast<QTreeWidget*>(target); list && role == QPalette::Base)
            QVERIFY(PaintedIn(list->viewport(), ClearPoint(list->viewport()), colour));
    }

    // Form1's load looks for the hand at step 124 and loads it at 126; Form2's at 106 and
    // 108. Form2's load also reports its table listing (step 112): there is no database.
    void cursorFiles_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<bool>("ownHand");
        QTest::addColumn<QList<int>>("reports");
        const QByteArray cursor = CursorFile({5, 7}), corrupt("\0\0\2\0\1\0garbage", 13);
        QTest::newRow("Form1 valid") << "Form1" << cursor << true << QList<int>{};
        QTest::newRow("Form1 missing") << "Form1" << QByteArray() << false << QList<int>{};
        QTest::newRow("Form1 corrupt") << "Form1" << corrupt << false << QList<int>{126};
        QTest::newRow("Form2 valid") << "Form2" << cursor << true << QList<int>{112};
        QTest::newRow("Form2 missing") << "Form2" << QByteArray() << false << QList<int>{112};
        QTest::newRow("Form2 corrupt") << "Form2" << corrupt << false << QList<int>{108, 112};
    }
    void cursorFiles() {
        QFETCH(QString, window);
        QFETCH(QByteArray, file);
        QFETCH(bool, ownHand);
        QFETCH(QList<int>, reports);
        QVERIFY2(QImageReader::supportedImageFormats().contains("cur"), "Qt reads .cur files");
        std::optional<decltype(PlaceInProgramFolder({}, {}))> placed;
        if (!file.isNull())
            placed.emplace(PlaceInProgramFolder("HAND-M.CUR", file));
        SaveSetting(SettingsAppName, SettingsSection, KeyOracleSid, "ORCL");

        MessageRecorder recorder;
        Form1 form1;
        Form2 form2(&form1);
        if (window == "Form1")
            form1.Form_Load();
        else
            form2.Form_Load();
        QWidget* loaded = window == "Form1" ? static_cast<QWidget*>(&form1) : &form2;
        WindowPointer& pointer = window == "Form1" ? form1.Pointer() : form2.Pointer();
        QCOMPARE(ReportedSteps(recorder, window), reports);
        // The load went on past the hand.
        QCOMPARE(loaded->windowTitle(), QString(ProductName));
        if (window == "Form1")
            QCOMPARE(form1.Text1->text(), "ORCL");

        QCOMPARE(pointer.HasOwnHand(), ownHand);
        pointer.Set(WindowPointer::Hand);
        if (!ownHand) {
            QCOMPARE(loaded->cursor().shape(), Qt::PointingHandCursor);
            return;
        }
        QCOMPARE(loaded->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(loaded->cursor().hotSpot(), QPoint(5, 7));
        QCOMPARE(loaded->cursor().pixmap().size(), QSize(32, 32));
    }
};

QTEST_MAIN(LookAndFeelTest)
#include "tst_look_and_feel.moc"
