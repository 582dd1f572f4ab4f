#include "casing/case_rules.h"
#include "held_lock.h"
#include "support/message_recorder.h"
#include "ui/field_menu/changes_preview.h"
#include "ui/progress_bar.h"
#include "windows_fixture.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>
#include <optional>

namespace {

QString Numbers(int count, bool nulls = false) {
    return QString("INSERT INTO %1 SELECT %2 FROM generate_series(1, %3) n;")
        .arg("%1", nulls ? "NULL" : "'v' || n", QString::number(count));
}

// The column by id, each value as "v:" and its text or "NULL", so that NULL and the empty text
// differ.
QStringList Exact(const testdb::User& user, const QString& table) {
    return testdb::Column(user, QString("SELECT CASE WHEN v IS NULL THEN 'NULL' ELSE 'v:' || v "
                                        "END FROM %1 ORDER BY id")
                                    .arg(table));
}

// Presses Esc on the work window's focus once the progress bar passes `percent`, until the
// object goes.
class EscAt : public QObject {
public:
    EscAt(Form2* window, double percent) {
        connect(window->ProgressBar1, &ProgressBar::valueSet, this,
                [this, window, percent](double value) {
                    if (pressed || value < percent)
                        return;
                    pressed = true;
                    QTimer::singleShot(0, this, [window] {
                        QWidget* focus = window->focusWidget();
                        QTest::keyClick(focus ? focus : window, Qt::Key_Escape);
                    });
                });
    }
    bool pressed = false;
};

// Opens the field list's menu as a user would (`how`: "right button" on the row, "menu key" or
// "Shift+F10" on the current field), notes its entries ("(disabled)" after one that is), and
// chooses the entry `choose` or closes the menu. Returns once the chosen entry has run.
QStringList UseFieldMenu(QTreeWidget* list, const QString& how, int row, const QString& choose) {
    QStringList entries;
    QTimer::singleShot(0, list, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            entries.append(action->text() + (action->isEnabled() ? "" : " (disabled)"));
            if (action->text() == choose && action->isEnabled())
                chosen = action;
        }
        if (!chosen) {
            menu->close();
            return;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    if (how == "right button") {
        const QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &request);
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, at);
    } else if (how == "menu key") {
        QContextMenuEvent request(QContextMenuEvent::Keyboard, {}, list->mapToGlobal(QPoint()));
        QApplication::sendEvent(list, &request);
    } else {
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    }
    return entries;
}

} // namespace

class WorkWindowTest : public QObject {
    Q_OBJECT

    testdb::User user_;
    std::unique_ptr<Form1> form1_;
    Form2* form2_ = nullptr;

    int rowOf(const QString& table) { return fixture::Items(form2_->ListView1).indexOf(table); }
    void chooseTable(const QString& table) {
        const int row = rowOf(table);
        QVERIFY2(row >= 0, qPrintable(table));
        fixture::ClickRow(form2_->ListView1, row);
    }

private slots:
    void initTestCase() {
        testdb::LoadEnvironment();
        user_ = testdb::CreateUser("work");
        QString wide = "CREATE TABLE wide (";
        for (int i = 1; i <= 40; ++i)
            wide += QString("%1f%2 text").arg(i > 1 ? ", " : "").arg(i);
        testdb::Exec(user_, wide + ")");
        testdb::Exec(
            user_,
            "CREATE TABLE hundred (v text);" + Numbers(100).arg("hundred") +
                "CREATE TABLE many (v text);" + Numbers(150).arg("many") +
                "CREATE TABLE nulls (v text);" + Numbers(3, true).arg("nulls") +
                "CREATE TABLE empty (a text, b integer, c date);"
                "CREATE TABLE \"Mixed Case Name\" (\"Given Name\" text, \"lower\" text);"
                "INSERT INTO \"Mixed Case Name\" VALUES ('mary smith', 'x');"
                "CREATE TABLE people (name text, town text);"
                "INSERT INTO people VALUES ('mary smith', 'york'), ('JOHN O''HARA', 'bath')");
        fixture::RememberProfile(user_.profile());
        form1_ = fixture::Start();
        form2_ = form1_->WorkWindow();
        QVERIFY(form2_ && form2_->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(form2_));
    }

    void cleanupTestCase() { form1_.reset(); }

    void tablesAreTheUsersOwnInDatabaseOrder() {
        QCOMPARE(fixture::Items(form2_->ListView1),
                 testdb::Column(user_, "select table_name from user_tables"));
        QCOMPARE(form2_->Combo1->currentText(), QString("UPPER CASE"));
        QCOMPARE(form2_->Combo1->count(), 4);
        QCOMPARE(form2_->ListView3->headerItem()->text(0), QString("First 100 Entries (Preview)"));
        QCOMPARE(form2_->ProgressBar1->text(), QString("Progress Bar"));
    }

    // The preview reads at most 101 values; NULLs show as empty items.
    void previews_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("previewCount");
        QTest::addColumn<QString>("firstValue");
        QTest::newRow("100 rows") << "hundred" << QStringList{"v"} << 100 << "v1";
        QTest::newRow("150 rows") << "many" << QStringList{"v"} << 101 << "v1";
        QTest::newRow("NULLs") << "nulls" << QStringList{"v"} << 3 << "";
        QTest::newRow("no rows") << "empty" << QStringList{"a", "b", "c"} << 0 << "";
        QTest::newRow("mixed case and spaces")
            << "Mixed Case Name" << QStringList{"Given Name", "lower"} << 1 << "mary smith";
    }
    void previews() {
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(int, previewCount);
        QFETCH(QString, firstValue);
        MessageRecorder recorder;
        chooseTable(table);
        QCOMPARE(fixture::Items(form2_->ListView2), fields);
        const QStringList preview = fixture::Items(form2_->ListView3);
        QCOMPARE(preview.size(), previewCount);
        if (previewCount > 0)
            QCOMPARE(preview.first(), firstValue);
        QCOMPARE(form2_->Pointer().Setting(), 0);
        QVERIFY(recorder.messages().isEmpty());
    }

    void fieldClickPreviewsThatField() {
        chooseTable("people");
        fixture::ClickRow(form2_->ListView2, 1);
        QCOMPARE(fixture::Items(form2_->ListView3), QStringList({"york", "bath"}));
    }

    void arrowKeysRunTheListings() {
        chooseTable("people");
        form2_->ListView1->setFocus();
        const int row = rowOf("people");
        QTest::keyClick(form2_->ListView1, row == 0 ? Qt::Key_Down : Qt::Key_Up);
        QCoreApplication::processEvents();
        const QString now = form2_->ListView1->currentItem()->text(0);
        QVERIFY(now != "people");
        QVERIFY(fixture::Items(form2_->ListView2) != QStringList({"name", "town"}));
        chooseTable("people");
        form2_->ListView2->setFocus();
        QTest::keyClick(form2_->ListView2, Qt::Key_Down);
        QCoreApplication::processEvents();
        QCOMPARE(fixture::Items(form2_->ListView3), QStringList({"york", "bath"}));
    }

    void selectAndUnselectAllFields() {
        chooseTable("wide");
        const QStringList preview = fixture::Items(form2_->ListView3);
        form2_->PushButton2->click();
        QCOMPARE(fixture::SelectedItems(form2_->ListView2).size(), 40);
        form2_->PushButton3->click();
        QVERIFY(fixture::SelectedItems(form2_->ListView2).isEmpty());
        QCOMPARE(fixture::Items(form2_->ListView3), preview);
    }

    // A second click while a listing fills is ignored: no doubled or mixed items.
    void clickDuringAListingIsIgnored() {
        chooseTable("people");
        QTimer::singleShot(0, form2_,
                           [this] { fixture::ClickRow(form2_->ListView1, rowOf("wide")); });
        chooseTable("wide");
        QCOMPARE(fixture::Items(form2_->ListView2).size(), 40);
        QCOMPARE(fixture::Items(form2_->ListView2).removeDuplicates(), 0);
    }

    void droppedTableIsReportedOnce() {
        testdb::Exec(user_, "CREATE TABLE doomed (v text); INSERT INTO doomed VALUES ('x')");
        form2_->Form_Load(); // lists the new table
        chooseTable("people");
        const QStringList fields = fixture::Items(form2_->ListView2);
        const QStringList preview = fixture::Items(form2_->ListView3);
        testdb::Exec(user_, "DROP TABLE doomed");
        MessageRecorder recorder;
        chooseTable("doomed");
        QCOMPARE(recorder.messages().size(), 1);
        QVERIFY(recorder.texts()[0].contains(
            "in Quillmark2021/08/31.Form2.ListView1_Click at line 106"));
        QCOMPARE(fixture::Items(form2_->ListView2), fields);
        QCOMPARE(fixture::Items(form2_->ListView3), preview);
        QCOMPARE(form2_->Pointer().Setting(), 0);
    }

    // Table "b" is chosen after "a" was listed. When its column listing fails, "Start Changing"
    // lists it again, as a click would, and writes neither table: the highlight is on "b".
    void runWorksOnTheListedTable_data() {
        QTest::addColumn<QString>("makeB");
        QTest::addColumn<QString>("thenB"); // after the table list was filled
        QTest::addColumn<QString>("a");     // a's value afterwards
        QTest::addColumn<QString>("shown"); // in the last message
        QTest::newRow("listing fails") << "CREATE TABLE b (v text)"
                                       << "DROP TABLE b"
                                       << "ay"
                                       << "Form2.ListView1_Click at line 106";
        // The field list is empty: the run asks for a field.
        QTest::newRow("no columns") << "CREATE TABLE b ()"
                                    << ""
                                    << "ay"
                                    << "Please select a field.";
    }
    void runWorksOnTheListedTable() {
        QFETCH(QString, makeB);
        QFETCH(QString, thenB);
        QFETCH(QString, a);
        QFETCH(QString, shown);
        const testdb::User user = testdb::CreateUser("redirect");
        testdb::Exec(user, "CREATE TABLE a (v text); INSERT INTO a VALUES ('ay');" + makeB);
        fixture::RememberProfile(user.profile());
        auto form1 = fixture::Start();
        Form2* form2 = form1->WorkWindow();
        if (!thenB.isEmpty())
            testdb::Exec(user, thenB);
        MessageRecorder recorder;
        fixture::ClickRow(form2->ListView1, fixture::Items(form2->ListView1).indexOf("a"));
        fixture::ClickRow(form2->ListView1, fixture::Items(form2->ListView1).indexOf("b"));
        form2->PushButton1->click();
        QCOMPARE(testdb::Column(user, "SELECT v FROM a"), QStringList({a}));
        QVERIFY2(recorder.texts().value(recorder.texts().size() - 1).contains(shown),
                 qPrintable(recorder.texts().join('|')));
        fixture::RememberProfile(user_.profile());
    }

    // A key or click that moves a highlight while a listing waits on another session's lock on
    // table b is not lost: once the wait ends the lists show the highlighted table and field,
    // and "Start Changing" writes those.
    void listingsFollowTheHighlight_data() {
        QTest::addColumn<QString>("list");  // where the listing that waits starts
        QTest::addColumn<QString>("move");  // in that list during the wait
        QTest::addColumn<QString>("field"); // highlighted afterwards
        QTest::addColumn<QString>("after"); // b1, b2, c1, c2 after the run
        QTest::newRow("Down key in the table list") << "tables"
                                                    << "Down"
                                                    << "c1"
                                                    << "b one,b two,C ONE,c two";
        QTest::newRow("click in the table list") << "tables"
                                                 << "click"
                                                 << "c1"
                                                 << "b one,b two,C ONE,c two";
        QTest::newRow("Up key in the field list") << "fields"
                                                  << "Up"
                                                  << "b1"
                                                  << "B ONE,b two,c one,c two";
    }
    void listingsFollowTheHighlight() {
        QFETCH(QString, list);
        QFETCH(QString, move);
        QFETCH(QString, field);
        QFETCH(QString, after);
        const testdb::User user = testdb::CreateUser("follow");
        testdb::Exec(user, "CREATE TABLE a (a1 text); INSERT INTO a VALUES ('a one');"
                           "CREATE TABLE b (b1 text, b2 text); INSERT INTO b VALUES ('b one', "
                           "'b two'); CREATE TABLE c (c1 text, c2 text); INSERT INTO c VALUES "
                           "('c one', 'c two')");
        fixture::RememberProfile(user.profile());
        auto form1 = fixture::Start();
        Form2* form2 = form1->WorkWindow();
        QTreeWidget* moved = list == "tables" ? form2->ListView1 : form2->ListView2;
        if (list == "fields")
            fixture::ClickRow(form2->ListView1, 1);
        // Down from a to b (or from b1 to b2) starts a listing; once it waits on the lock the
        // user moves on, then the lock goes.
        std::optional<reliability::HeldLock> lock;
        lock.emplace(user, "b");
        QTimer during;
        connect(&during, &QTimer::timeout, form2, [&] {
            if (!lock || !lock->Waited())
                return;
            if (move == "click")
                fixture::ClickRow(moved, 2);
            else
                QTest::keyClick(moved, move == "Down" ? Qt::Key_Down : Qt::Key_Up);
            lock.reset();
        });
        during.start(20);
        moved->setFocus();
        QTest::keyClick(moved, Qt::Key_Down);
        QCoreApplication::processEvents(); // the listing, and what follows it
        during.stop();
        QVERIFY(!lock);
        const QString table = field.left(1);
        QCOMPARE(form2->ListView1->currentItem()->text(0), table);
        QCOMPARE(fixture::Items(form2->ListView2), QStringList({table + "1", table + "2"}));
        QCOMPARE(form2->ListView2->currentItem()->text(0), field);
        QCOMPARE(fixture::Items(form2->ListView3), QStringList({table + " one"}));
        MessageRecorder recorder;
        form2->PushButton1->click();
        QCOMPARE(recorder.texts(), QStringList({"Done."}));
        QCOMPARE(testdb::Column(user, "SELECT b1 || ',' || b2 || ',' || c1 || ',' || c2 FROM b, c"),
                 QStringList({after}));
        fixture::RememberProfile(user_.profile());
    }

    // What the user presses, turns or clicks while a run or a listing waits on the database is
    // ignored: the window is not reloaded under it, the run converts every row to the case it
    // started with, and the table list's highlight stays on the table the run writes.
    void pressesDuringAnOperationAreIgnored_data() {
        QTest::addColumn<bool>("duringRun"); // else during a column listing
        QTest::addColumn<QString>("press");
        QTest::newRow("Setup Connection during a run") << true << "Setup Connection";
        QTest::newRow("Next > during a run") << true << "Next >";
        QTest::newRow("wheel on the case box during a run") << true << "wheel";
        QTest::newRow("Down key on the case box during a run") << true << "Down";
        QTest::newRow("click on another table during a run") << true << "people";
        QTest::newRow("Select All Fields during a run") << true << "Select All Fields";
        QTest::newRow("Start Changing during a listing") << false << "Start Changing";
        QTest::newRow("Setup Connection during a listing") << false << "Setup Connection";
    }
    void pressesDuringAnOperationAreIgnored() {
        QFETCH(bool, duringRun);
        QFETCH(QString, press);
        testdb::Exec(user_, "DROP TABLE IF EXISTS lines; CREATE TABLE lines (v text, id serial);"
                            "INSERT INTO lines (v) SELECT 'Line ' || n || ' Text' "
                            "FROM generate_series(1, 30) n");
        form2_->Form_Load();
        chooseTable("lines");
        const QStringList before = testdb::Column(user_, "SELECT v FROM lines ORDER BY id");
        form2_->Combo1->setCurrentText("lower case");
        const QStringList fields = fixture::SelectedItems(form2_->ListView2);
        MessageRecorder recorder;
        QTimer::singleShot(0, form2_, [this, press] {
            QComboBox* box = form2_->Combo1;
            if (press == "wheel") {
                const QPointF at = box->rect().center();
                QWheelEvent notch(at, box->mapToGlobal(at), {}, {0, -120}, Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(box, &notch);
            } else if (press == "Down") {
                QTest::keyClick(box, Qt::Key_Down);
            } else if (press == "people") {
                fixture::ClickRow(form2_->ListView1, rowOf(press));
            } else {
                QPushButton* button = press == "Setup Connection"    ? form2_->PushButton5
                                      : press == "Next >"            ? form1_->PushButton3
                                      : press == "Select All Fields" ? form2_->PushButton2
                                                                     : form2_->PushButton1;
                button->click();
            }
        });
        if (duringRun)
            form2_->PushButton1->click();
        else
            chooseTable("lines");
        QVERIFY(form2_->isVisible() && form1_->isHidden());
        QCOMPARE(form2_->Combo1->currentText(), QString("lower case"));
        QCOMPARE(form2_->Combo1->count(), 4);
        QCOMPARE(fixture::SelectedItems(form2_->ListView1), QStringList({"lines"}));
        QCOMPARE(fixture::SelectedItems(form2_->ListView2), fields);
        QStringList expected = before;
        if (duringRun)
            for (QString& value : expected)
                value = value.toLower();
        QCOMPARE(testdb::Column(user_, "SELECT v FROM lines ORDER BY id"), expected);
        QCOMPARE(recorder.texts(), duringRun ? QStringList({"Done."}) : QStringList());
        // Afterwards the case box takes keys again.
        QTest::keyClick(form2_->Combo1, Qt::Key_Up);
        QCOMPARE(form2_->Combo1->currentText(), QString("UPPER CASE"));
    }

    void caseBoxLeavesThePreviewAlone() {
        chooseTable("people");
        const QStringList preview = fixture::Items(form2_->ListView3);
        form2_->Combo1->setCurrentIndex(2);
        QCOMPARE(fixture::Items(form2_->ListView3), preview);
        form2_->Combo1->setCurrentIndex(0);
    }

    void startChangingRewritesTheColumnAndThePreview() {
        testdb::Exec(user_, "CREATE TABLE titles (t text, id serial); INSERT INTO titles VALUES "
                            "('the GREAT gatsby'), ('o''brien''s  day'), (NULL)");
        form2_->Form_Load();
        chooseTable("titles");
        form2_->Combo1->setCurrentText("Proper Case");
        QList<double> progress;
        QObject listening; // the connection ends with the test
        connect(form2_->ProgressBar1, &ProgressBar::valueSet, &listening,
                [&](double value) { progress.append(value); });
        MessageRecorder recorder;
        QTest::mouseClick(form2_->PushButton1, Qt::LeftButton);
        QCOMPARE(recorder.texts(), QStringList({"Done."}));
        QCOMPARE(testdb::Column(user_, "SELECT t FROM titles ORDER BY id"),
                 QStringList({"The Great Gatsby", "O'brien's  Day", QString()}));
        QStringList held = testdb::Column(user_, "SELECT t FROM titles");
        for (QString& value : held)
            value = value.isNull() ? "" : value;
        QCOMPARE(fixture::Items(form2_->ListView3), held);
        QCOMPARE(progress, QList<double>({0.0, 0.0, 0.0, 100.0, 0.0}));
        QCOMPARE(form2_->ProgressBar1->value(), 0);
        QCOMPARE(form2_->Pointer().Setting(), 0);
    }

    // Rows a check constraint refuses: the first 10 are reported at their row, then one message
    // before "Done." counts them all with the first reason, and the preview shows the column
    // as the database holds it.
    void refusedRowsAreCountedOnce_data() {
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("refused"); // of 30 rows
        QTest::newRow("three rows refused") << "id > 3 OR v <> upper(v)" << 3;
        QTest::newRow("every row refused") << "v <> upper(v)" << 30;
    }
    void refusedRowsAreCountedOnce() {
        QFETCH(QString, check);
        QFETCH(int, refused);
        testdb::Exec(user_,
                     "DROP TABLE IF EXISTS checked; CREATE TABLE checked (v text, id serial);"
                     "INSERT INTO checked (v) SELECT 'row ' || n FROM generate_series(1, "
                     "30) n; ALTER TABLE checked ADD CHECK (" +
                         check + ")");
        form2_->Form_Load();
        chooseTable("checked");
        MessageRecorder recorder;
        form2_->PushButton1->click();
        const QStringList texts = recorder.texts();
        const int reported = std::min(refused, 10);
        QCOMPARE(texts.size(), reported + 2);
        for (int i = 0; i < reported; ++i)
            QVERIFY2(texts[i].contains("violates check constraint") &&
                         texts[i].contains("Form2.PushButton1_Click at line 146"),
                     qPrintable(texts[i]));
        const QString counted =
            QString("%1 rows were not changed: %1 refused by the database (first reason: ")
                .arg(refused);
        QVERIFY2(texts[reported].startsWith(counted) &&
                     texts[reported].contains("violates check constraint"),
                 qPrintable(texts[reported]));
        QCOMPARE(texts.last(), QString("Done."));
        QCOMPARE(testdb::Column(user_, "SELECT count(*) FROM checked WHERE v = upper(v)"),
                 QStringList({QString::number(30 - refused)}));
        QCOMPARE(fixture::Items(form2_->ListView3), testdb::Column(user_, "SELECT v FROM checked"));
    }

    // Esc during a run of 100,000 rows: the run ends before its last row with every row old or
    // exactly converted, says how many rows it changed instead of "Done.", lists the preview
    // anew and leaves pointer and bar at rest. "Undo Last Run..." then asks, and puts every
    // row back exactly.
    void escStopsARunAndTheMenuUndoesIt() {
        testdb::Exec(user_, "CREATE TABLE stoppable (v text, id serial); INSERT INTO stoppable (v) "
                            "SELECT CASE n % 6 WHEN 0 THEN NULL WHEN 1 THEN '' "
                            "WHEN 2 THEN 'o''brien \"q\" ' || n WHEN 3 THEN 'grüße ǆ ' || n "
                            "WHEN 4 THEN E'line\\r\\nnext ' || n ELSE 'plain ' || n END "
                            "FROM generate_series(1, 100000) n");
        form2_->Form_Load();
        chooseTable("stoppable");
        const QStringList before = Exact(user_, "stoppable");
        MessageRecorder recorder;
        {
            EscAt esc(form2_, 20);
            form2_->PushButton1->click();
            QVERIFY(esc.pressed);
        }
        const QStringList after = Exact(user_, "stoppable");
        int changed = 0, convertible = 0;
        for (qsizetype i = 0; i < before.size(); ++i) {
            const QString converted = Case::ConvertValue(Case::CaseMode::Upper, before[i].mid(2));
            convertible += before[i] != "NULL" && converted != before[i].mid(2);
            if (after[i] != before[i]) {
                ++changed;
                QCOMPARE(after[i], "v:" + converted);
            }
        }
        QVERIFY2(changed > 0 && changed < convertible, qPrintable(QString::number(changed)));
        QCOMPARE(recorder.texts(),
                 QStringList({QString("The run was stopped.\nRows changed: %1\nThe changes can "
                                      "be undone with \"Undo Last Run...\" in the field list's "
                                      "menu (right mouse button on the field).")
                                  .arg(changed)}));
        QStringList preview = testdb::Column(user_, "SELECT v FROM stoppable").mid(0, 101);
        for (QString& value : preview)
            value = value.isNull() ? "" : value;
        QCOMPARE(fixture::Items(form2_->ListView3), preview);
        QCOMPARE(form2_->Pointer().Setting(), 0);
        QCOMPARE(form2_->ProgressBar1->value(), 0);
        QCOMPARE(form2_->ProgressBar1->text(), QString("Progress Bar"));

        recorder.clear();
        recorder.answerYes(true);
        QCOMPARE(UseFieldMenu(form2_->ListView2, "right button", 0, "Undo Last Run..."),
                 QStringList({"Preview Changes...", "Change to Name Case...", "Undo Last Run..."}));
        QCOMPARE(recorder.texts().size(), 2);
        QVERIFY2(recorder.texts()[0].contains(QString("that changed %1 rows of stoppable.v to "
                                                      "\"UPPER CASE\"?")
                                                  .arg(changed)),
                 qPrintable(recorder.texts()[0]));
        QCOMPARE(recorder.messages()[0].buttons, MessageButtons::YesNo);
        QCOMPARE(recorder.texts()[1],
                 QString("The run was undone.\nRows restored: %1\nRows left because another "
                         "session changed them since: 0")
                     .arg(changed));
        QCOMPARE(Exact(user_, "stoppable"), before);
        QCOMPARE(fixture::Items(form2_->ListView3).size(), 101);
        QCOMPARE(form2_->Pointer().Setting(), 0);
        QCOMPARE(form2_->ProgressBar1->text(), QString("Progress Bar"));
    }

    // "Preview Changes..." lists exactly the rows whose text the case box's case would change,
    // as they are read, with the count when the read ends; it writes nothing (the update
    // trigger never fires). Past 10,000 it lists the first 10,000 and says so; closed while it
    // reads, it stops.
    void previewListsTheChangingRows_data() {
        QTest::addColumn<QString>("caseName");
        QTest::addColumn<int>("extraRows"); // rows of 'x<n>' added to the mixed ones
        QTest::addColumn<bool>("closeWhileReading");
        QTest::newRow("UPPER CASE, mixed rows") << "UPPER CASE" << 0 << false;
        QTest::newRow("Proper Case, mixed rows") << "Proper Case" << 0 << false;
        QTest::newRow("more than 10,000 changes") << "UPPER CASE" << 10500 << false;
        QTest::newRow("closed while reading") << "UPPER CASE" << 50000 << true;
    }
    void previewListsTheChangingRows() {
        QFETCH(QString, caseName);
        QFETCH(int, extraRows);
        QFETCH(bool, closeWhileReading);
        testdb::Exec(
            user_,
            QString("DROP TABLE IF EXISTS previewed; DROP TABLE IF EXISTS fired;"
                    "CREATE TABLE previewed (v text, id serial); CREATE TABLE fired (n int);"
                    "CREATE OR REPLACE FUNCTION note_update() RETURNS trigger LANGUAGE "
                    "plpgsql AS $$BEGIN INSERT INTO fired VALUES (1); RETURN NEW; END$$;"
                    "CREATE TRIGGER noted BEFORE UPDATE ON previewed FOR EACH ROW "
                    "EXECUTE FUNCTION note_update();"
                    "INSERT INTO previewed (v) VALUES ('ALREADY UPPER'), ('mixed Case'), "
                    "(NULL), (''), ('Proper Words'), (E'two\\r\\nlines\\tand tab'), "
                    "('O''NEIL \\ back'), ('ǆemal Ǆ'), ('123 !');"
                    "INSERT INTO previewed (v) SELECT 'x' || n FROM generate_series(1, %1) n")
                .arg(extraRows));
        form2_->Form_Load();
        chooseTable("previewed");
        form2_->Combo1->setCurrentText(caseName);
        const QStringList before = Exact(user_, "previewed");
        QStringList expected;
        for (const QString& value : testdb::Column(user_, "SELECT v FROM previewed")) {
            const QString after = Case::ConvertValue(*Case::MatchCaseMode(caseName), value);
            auto oneLine = [](QString text) {
                return text.replace("\\", "\\\\")
                    .replace("\r", "\\r")
                    .replace("\n", "\\n")
                    .replace("\t", "\\t");
            };
            if (!value.isNull() && after != value)
                expected.append(oneLine(value) + " | " + oneLine(after));
        }
        ChangesPreview* preview = form2_->Preview();
        int filled = 0; // listed rows when the list first grew
        QObject watching;
        connect(preview->Rows()->model(), &QAbstractItemModel::rowsInserted, &watching, [&] {
            if (filled == 0) {
                filled = preview->Rows()->topLevelItemCount();
                if (closeWhileReading)
                    preview->close();
            }
        });
        MessageRecorder recorder;
        UseFieldMenu(form2_->ListView2, "right button", 0, "Preview Changes...");
        QStringList listed;
        for (int i = 0; i < preview->Rows()->topLevelItemCount(); ++i)
            listed.append(preview->Rows()->topLevelItem(i)->text(0) + " | " +
                          preview->Rows()->topLevelItem(i)->text(1));
        QVERIFY(recorder.messages().isEmpty());
        QCOMPARE(testdb::Column(user_, "SELECT count(*) FROM fired"), QStringList({"0"}));
        QCOMPARE(Exact(user_, "previewed"), before);
        QVERIFY(filled > 0);
        if (closeWhileReading) {
            QVERIFY(preview->isHidden());
            QVERIFY(listed.size() < 10000);
            QVERIFY(!preview->Status()->text().contains("would change"));
            return;
        }
        QVERIFY(preview->isVisible());
        QCOMPARE(listed, expected.mid(0, 10000));
        QCOMPARE(preview->Status()->text(),
                 QString("%1 of %2 rows would change%3")
                     .arg(expected.size())
                     .arg(before.size())
                     .arg(expected.size() > 10000 ? "; the first 10,000 are listed" : ""));
        preview->close();
    }

    // The menu opens from the right button on a field, the context-menu key and Shift+F10,
    // with "Preview Changes...", "Change to Name Case..." and "Undo Last Run..."; the undo is
    // enabled only where the journals hold a run on this field not undone, and "No" in its question
    // writes nothing.
    void undoLastRunNeedsARunAndAYes_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("runOn"); // the field a run converted first, if any
        QTest::addColumn<bool>("enabled");
        QTest::newRow("right button, no run") << "right button"
                                              << "" << false;
        QTest::newRow("menu key, run on the other field") << "menu key"
                                                          << "b" << false;
        QTest::newRow("Shift+F10, run on this field, No") << "Shift+F10"
                                                          << "a" << true;
    }
    void undoLastRunNeedsARunAndAYes() {
        QFETCH(QString, how);
        QFETCH(QString, runOn);
        QFETCH(bool, enabled);
        static int tables = 0;
        const QString table = QString("undoable_%1").arg(++tables);
        testdb::Exec(user_,
                     QString("CREATE TABLE %1 (a text, b text, id serial);"
                             "INSERT INTO %1 (a, b) VALUES ('one', 'two'), ('three', 'four')")
                         .arg(table));
        form2_->Form_Load();
        chooseTable(table);
        const int field = runOn == "b" ? 1 : 0;
        if (!runOn.isEmpty()) {
            MessageRecorder done;
            fixture::ClickRow(form2_->ListView2, field);
            form2_->PushButton1->click();
            QCOMPARE(done.texts(), QStringList({"Done."}));
        }
        fixture::ClickRow(form2_->ListView2, 0);
        const QStringList rows =
            testdb::Column(user_, "SELECT a || b FROM " + table + " ORDER BY id");
        MessageRecorder recorder;
        form2_->ListView2->setFocus();
        QCOMPARE(UseFieldMenu(form2_->ListView2, how, 0, "Undo Last Run..."),
                 QStringList({"Preview Changes...", "Change to Name Case...",
                              QString("Undo Last Run...") + (enabled ? "" : " (disabled)")}));
        QCOMPARE(recorder.texts().size(), enabled ? 1 : 0);
        QCOMPARE(testdb::Column(user_, "SELECT a || b FROM " + table + " ORDER BY id"), rows);
    }

    // "Change to Name Case..." first asks Yes or No, naming field, table and rows. No writes
    // nothing; Yes changes the column as "Start Changing" does, in Name Case whatever the case
    // box says, and its undo names the case.
    void changeToNameCaseAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No") << false;
        QTest::newRow("Yes, then undone") << true;
    }
    void changeToNameCaseAsksFirst() {
        QFETCH(bool, yes);
        const QString table = QString("named_%1").arg(yes ? "yes" : "no");
        testdb::Exec(user_, QString("CREATE TABLE %1 (v text, id serial); INSERT INTO %1 (v) "
                                    "VALUES ('O''BRIEN, MARY'), ('LUDWIG VAN BEETHOVEN'), "
                                    "('HENRY VIII')")
                                .arg(table));
        form2_->Form_Load();
        chooseTable(table);
        const QString select = "SELECT v FROM " + table + " ORDER BY id";
        const QStringList before = testdb::Column(user_, select);
        const QStringList named{"O'Brien, Mary", "Ludwig van Beethoven", "Henry VIII"};
        MessageRecorder recorder;
        recorder.answerYes(yes);
        UseFieldMenu(form2_->ListView2, "right button", 0, "Change to Name Case...");
        QVERIFY(!recorder.messages().isEmpty());
        QCOMPARE(recorder.messages()[0].buttons, MessageButtons::YesNo);
        QVERIFY2(recorder.texts()[0].startsWith(
                     QString("Change v of %1 (about 3 rows) to Name Case?").arg(table)),
                 qPrintable(recorder.texts()[0]));
        QCOMPARE(recorder.texts().mid(1), yes ? QStringList({"Done."}) : QStringList());
        QCOMPARE(testdb::Column(user_, select), yes ? named : before);
        QCOMPARE(fixture::Items(form2_->ListView3), yes ? named : before);
        QCOMPARE(form2_->Combo1->currentText(), QString("UPPER CASE"));
        if (!yes)
            return;
        recorder.clear();
        UseFieldMenu(form2_->ListView2, "right button", 0, "Undo Last Run...");
        QVERIFY2(recorder.texts().value(0).contains("to \"Name Case\"?"),
                 qPrintable(recorder.texts().join('|')));
        QCOMPARE(testdb::Column(user_, select), before);
    }
};

// A user who owns no tables gets three empty lists and no report.
class EmptyUserTest : public QObject {
    Q_OBJECT
private slots:
    void userWithoutTables() {
        testdb::LoadEnvironment();
        const testdb::User user = testdb::CreateUser("notables");
        fixture::RememberProfile(user.profile());
        MessageRecorder recorder;
        auto form1 = fixture::Start();
        Form2* form2 = form1->WorkWindow();
        QVERIFY(form2 && form2->isVisible());
        QVERIFY(fixture::Items(form2->ListView1).isEmpty());
        QVERIFY(fixture::Items(form2->ListView2).isEmpty());
        QVERIFY(fixture::Items(form2->ListView3).isEmpty());
        QCOMPARE(form2->Combo1->currentText(), QString("UPPER CASE"));
        QVERIFY(recorder.messages().isEmpty());
        form2->PushButton1->click();
        QCOMPARE(recorder.texts(), QStringList({"Please select a field."}));
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    EmptyUserTest empty;
    WorkWindowTest work;
    return QTest::qExec(&empty, argc, argv) | QTest::qExec(&work, argc, argv);
}
#include "tst_work_window.moc"
