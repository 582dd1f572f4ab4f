// What the two windows contain and how they are laid out: kinds, captions, containers,
// geometry, fonts, tab order, border and icon.
#include "app/app_title.h"
#include "app/twips.h"
#include "support/message_recorder.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/progress_bar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

namespace {

// Text a control shows as its caption; lists and the case box have none of their own.
QString Caption(const QWidget* control) {
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    if (auto* box = qobject_cast<const QLineEdit*>(control))
        return box->text();
    if (auto* bar = qobject_cast<const QProgressBar*>(control))
        return bar->text();
    return {};
}

QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

// Names of the widgets that Tab visits, in the window's focus chain.
QStringList FocusChain(QWidget* window) {
    QStringList names;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window))
            names.append(w->objectName());
    return names;
}

QStringList Form1TabOrder() {
    return {"Text1", "PushButton1", "Text2", "Text3", "PushButton5", "PushButton6", "PushButton3"};
}
QStringList Form2TabOrder() {
    return {"PushButton1", "PushButton5", "ListView1",   "ListView2",
            "Combo1",      "PushButton2", "PushButton3", "ListView3"};
}

} // namespace

class WindowDefinitionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    QTemporaryDir noDrivers_;

    QWidget* Window(const QString& name) {
        return name == "Form1" ? static_cast<QWidget*>(form1_.get()) : form2_.get();
    }
    void HideAll() {
        form1_->hide();
        form2_->hide();
    }

private slots:
    void initTestCase() {
        QApplication::setStyle("Fusion");
        // No ODBC driver is registered, so the loads' database steps fail at once.
        qputenv("ODBCSYSINI", noDrivers_.path().toLocal8Bit());
        qputenv("ODBCINI", noDrivers_.filePath("odbc.ini").toLocal8Bit());
        QCOMPARE(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96.0);
        form1_ = std::make_unique<Form1>();
        form2_ = std::make_unique<Form2>(form1_.get());
    }
    void cleanup() { HideAll(); }

    void windows_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("clientSize");
        QTest::addColumn<bool>("bold");
        QTest::newRow("Form1") << "Form1" << QSize(536, 212) << false;
        QTest::newRow("Form2") << "Form2" << QSize(616, 503) << true;
    }
    void windows() {
        QFETCH(QString, window);
        QFETCH(QSize, clientSize);
        QFETCH(bool, bold);
        QWidget* w = Window(window);
        QCOMPARE(w->objectName(), window);
        QCOMPARE(w->size(), clientSize);
        QCOMPARE(w->minimumSize(), clientSize);
        QCOMPARE(w->maximumSize(), clientSize);
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(w->font()).family()));
        QCOMPARE(w->font().pointSizeF(), 9.0);
        QCOMPARE(w->font().bold(), bold);

        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QPoint offset =
            w->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2, "centred on the screen");
        QCOMPARE(w->size(), clientSize);
    }

    void controls_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("twips");  // left, top, width, height
        QTest::addColumn<qreal>("points"); // 0: the platform's default font
        QTest::addColumn<bool>("bold");

        const QByteArray box = "QLineEdit", button = "QPushButton", label = "QLabel",
                         frame = "QGroupBox", list = "QTreeWidget";
        auto row = [](const char* window, const char* name, const QByteArray& kind,
                      const char* caption, const char* container, QRect twips, qreal points,
                      bool bold) {
            QTest::addRow("%s.%s", window, name)
                << window << name << kind << caption << container << twips << points << bold;
        };
        row("Form1", "Text1", box, "", "Frame1", {1320, 360, 5535, 345}, 9, true);
        row("Form1", "PushButton1", button, "?", "Frame1", {6960, 360, 615, 345}, 11.25, true);
        row("Form1", "Text2", box, "", "Frame1", {1320, 840, 6255, 345}, 9, true);
        row("Form1", "Text3", box, "", "Frame1", {1320, 1320, 6255, 345}, 9, true);
        row("Form1", "PushButton5", button, "Test Connection", "Frame1", {240, 1800, 3600, 405},
            11.25, true);
        row("Form1", "PushButton6", button, "Help", "Frame1", {3960, 1800, 3600, 405}, 11.25, true);
        row("Form1", "PushButton3", button, "Next >", "Form1", {120, 2640, 7800, 405}, 11.25, true);
        row("Form1", "Frame1", frame, "Oracle Login", "Form1", {120, 120, 7800, 2385}, 9, true);
        row("Form1", "Label4", label, "Password:", "Frame1", {240, 1365, 1095, 255}, 9, true);
        row("Form1", "Label2", label, "SID:", "Frame1", {240, 405, 1095, 255}, 9, true);
        row("Form1", "Label1", label, "Username:", "Frame1", {240, 885, 1095, 255}, 9, true);

        row("Form2", "PushButton1", button, "Start Changing", "Form2", {120, 6550, 4440, 405},
            11.25, true);
        row("Form2", "PushButton5", button, "Setup Connection", "Form2", {4680, 6550, 4440, 405},
            11.25, true);
        row("Form2", "ProgressBar1", "QProgressBar", "Progress Bar", "Form2",
            {120, 7065, 9000, 405}, 0, false);
        row("Form2", "ListView1", list, "", "Form2", {120, 120, 4440, 2715}, 9, true);
        row("Form2", "ListView2", list, "", "Form2", {4680, 120, 4440, 2235}, 9, true);
        row("Form2", "Frame1", frame, "Change all records in selected field(s) to:", "Form2",
            {120, 5640, 9000, 800}, 9, true);
        row("Form2", "Combo1", "QComboBox", "", "Frame1", {240, 300, 8520, 345}, 9, true);
        row("Form2", "PushButton2", button, "Select All Fields", "Form2", {4680, 2415, 2055, 405},
            11.25, true);
        row("Form2", "PushButton3", button, "Unselect All Fields", "Form2", {6840, 2415, 2280, 405},
            11.25, true);
        row("Form2", "ListView3", list, "", "Form2", {120, 2895, 9000, 2715}, 9, true);
    }
    void controls() {
        QFETCH(QString, window);
        QFETCH(QString, name);
        QFETCH(QByteArray, kind);
        QFETCH(QString, caption);
        QFETCH(QString, container);
        QFETCH(QRect, twips);
        QFETCH(qreal, points);
        QFETCH(bool, bold);

        auto* control = Window(window)->findChild<QWidget*>(name);
        QVERIFY2(control, "the control exists under its name");
        QVERIFY2(control->inherits(kind), control->metaObject()->className());
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(),
                 TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
        QCOMPARE(Caption(control), caption);
        if (points == 0) {
            QCOMPARE(control->font(), QApplication::font());
            return;
        }
        QVERIFY2(
            QStringList({"Arial", "Liberation Sans"}).contains(QFontInfo(control->font()).family()),
            qPrintable(QFontInfo(control->font()).family()));
        QCOMPARE(control->font().pointSizeF(), points);
        QCOMPARE(control->font().bold(), bold);
        QCOMPARE(QFontInfo(control->font()).bold(), bold);
    }

    void tabOrder_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Form1") << "Form1" << Form1TabOrder();
        QTest::newRow("Form2") << "Form2" << Form2TabOrder();
    }
    void tabOrder() {
        QFETCH(QString, window);
        QFETCH(QStringList, order);
        QWidget* w = Window(window);
        QCOMPARE(FocusChain(w), order);

        // The first control has the focus when the window opens; Tab walks the order and
        // comes back round to it.
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QStringList visited;
        for (int i = 0; i <= order.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            visited.append(focus->objectName());
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(visited, order + QStringList{order.first()});
    }

    void passwordBox_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Text1") << "Text1"
                               << "s3cr";
        QTest::newRow("Text2") << "Text2"
                               << "s3cr";
        QTest::newRow("Text3") << "Text3"
                               << "****";
    }
    void passwordBox() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        auto* box = form1_->findChild<QLineEdit*>(name);
        box->setText("s3cr");
        QCOMPARE(box->displayText(), shown);
        box->clear();
    }
    void passwordBoxLooksLikeTheUserNameBox() {
        QCOMPARE(form1_->Text3->grab().toImage(), form1_->Text2->grab().toImage());
    }

    void workWindowDetails() {
        QCOMPARE(form2_->ProgressBar1->minimum(), 0);
        QCOMPARE(form2_->ProgressBar1->maximum(), 100);
        QCOMPARE(form2_->ProgressBar1->value(), 0); // starts empty
        QVERIFY(!form2_->Combo1->isEditable());
    }

    // The headers and column widths come from the work window's load; without a database
    // its listing fails (one report), and the rest of the load still runs.
    void lists_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("columnTwips");
        QTest::addColumn<int>("selection"); // QAbstractItemView::SelectionMode
        QTest::newRow("ListView1") << "ListView1"
                                   << "Table(s)" << 4000 << int(QAbstractItemView::SingleSelection);
        QTest::newRow("ListView2")
            << "ListView2"
            << "Field(s)" << 4000 << int(QAbstractItemView::ExtendedSelection);
        QTest::newRow("ListView3")
            << "ListView3"
            << "First 100 Entries (Preview)" << 8000 << int(QAbstractItemView::SingleSelection);
    }
    void lists() {
        QFETCH(QString, name);
        QFETCH(QString, header);
        QFETCH(int, columnTwips);
        QFETCH(int, selection);
        Form2 loaded(form1_.get());
        MessageRecorder recorder;
        loaded.Form_Load();
        QCOMPARE(recorder.messages().size(), 1);

        auto* list = loaded.findChild<QTreeWidget*>(name);
        QCOMPARE(list->columnCount(), 1);
        QCOMPARE(list->headerItem()->text(0), header);
        QCOMPARE(list->header()->sectionSize(0), TwipsToPixels(columnTwips));
        QVERIFY(!list->isHeaderHidden());
        QVERIFY(!list->rootIsDecorated());
        QCOMPARE(int(list->selectionMode()), selection);
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(list->toolTip(), "Move | line to right and out of window to reveal full names.");
    }

    // Form1 sets its icon in its load (its database check fails at once with empty boxes);
    // Form2 in its load, whose listing fails without a database.
    void icons_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("Form1") << "Form1";
        QTest::newRow("Form2") << "Form2";
    }
    void icons() {
        QFETCH(QString, window);
        MessageRecorder recorder;
        Form1 form1;
        std::unique_ptr<Form2> form2;
        QWidget* loaded = &form1;
        if (window == "Form1") {
            form1.Form_Load();
        } else {
            form2 = std::make_unique<Form2>(&form1);
            form2->Form_Load();
            loaded = form2.get();
        }
        QCOMPARE(loaded->windowTitle(), QString(ProductName));
        const QList<QSize> sizes = loaded->windowIcon().availableSizes();
        for (int size : {32, 48, 128, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        QVERIFY(!loaded->windowIcon().pixmap(32).isNull());
    }
};

QTEST_MAIN(WindowDefinitionsTest)
#include "tst_window_definitions.moc"
