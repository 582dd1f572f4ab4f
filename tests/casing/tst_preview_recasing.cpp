#include "casing/preview_recasing.h"

#include <QTest>
#include <QTreeWidget>
#include <stdexcept>

namespace {

using Recase = void (*)(QAbstractItemModel&);

// A one-column list like the work window's preview.
void Fill(QTreeWidget& list, const QStringList& texts) {
    list.setColumnCount(1);
    list.clear();
    for (const QString& text : texts) {
        list.addTopLevelItem(new QTreeWidgetItem(QStringList{text}));
    }
}

QStringList Texts(const QTreeWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        texts << list.topLevelItem(i)->text(0);
    }
    return texts;
}

} // namespace

class TestPreviewRecasing : public QObject {
    Q_OBJECT

private slots:
    void recase_data();
    void recase();
    void recasingTwiceEqualsOnce_data();
    void recasingTwiceEqualsOnce();
    void emptyList();
    void otherColumnsUntouched();
    void faultStopsAtThatItem();
};

void TestPreviewRecasing::recase_data() {
    QTest::addColumn<Recase>("recase");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("upper") << Recase(Case::RecaseListUpper)
                           << QStringList{u"MARY SMITH"_qs, u"JOHN O'HARA"_qs, QString()};
    QTest::newRow("lower") << Recase(Case::RecaseListLower)
                           << QStringList{u"mary smith"_qs, u"john o'hara"_qs, QString()};
    QTest::newRow("proper") << Recase(Case::RecaseListProper)
                            << QStringList{u"Mary Smith"_qs, u"John O'hara"_qs, QString()};
    QTest::newRow("sentence") << Recase(Case::RecaseListSentence)
                              << QStringList{u"Mary smith"_qs, u"John o'hara"_qs, QString()};
}

void TestPreviewRecasing::recase() {
    QFETCH(Recase, recase);
    QFETCH(QStringList, expected);
    QTreeWidget list;
    Fill(list, {u"mary smith"_qs, u"JOHN O'HARA"_qs, QString()});

    recase(*list.model());

    QCOMPARE(Texts(list), expected);
}

void TestPreviewRecasing::recasingTwiceEqualsOnce_data() {
    QTest::addColumn<Case::CaseMode>("mode");
    QTest::newRow("upper") << Case::CaseMode::Upper;
    QTest::newRow("lower") << Case::CaseMode::Lower;
    QTest::newRow("proper") << Case::CaseMode::Proper;
    QTest::newRow("sentence") << Case::CaseMode::Sentence;
}

void TestPreviewRecasing::recasingTwiceEqualsOnce() {
    QFETCH(Case::CaseMode, mode);
    QTreeWidget list;
    Fill(list, {u"ſtraße İSTANBUL"_qs, u"line one\r\nLINE two"_qs, u"ǅemal ΟΔΟΣ"_qs});

    Case::RecaseList(*list.model(), mode);
    const QStringList once = Texts(list);
    Case::RecaseList(*list.model(), mode);

    QCOMPARE(Texts(list), once);
}

void TestPreviewRecasing::emptyList() {
    QTreeWidget list;
    Fill(list, {});

    Case::RecaseListProper(*list.model());

    QCOMPARE(list.topLevelItemCount(), 0);
}

void TestPreviewRecasing::otherColumnsUntouched() {
    QTreeWidget list;
    list.setColumnCount(2);
    list.addTopLevelItem(new QTreeWidgetItem(QStringList{u"abc"_qs, u"def"_qs}));

    Case::RecaseListUpper(*list.model());

    QCOMPARE(list.topLevelItem(0)->text(0), u"ABC"_qs);
    QCOMPARE(list.topLevelItem(0)->text(1), u"def"_qs);
}

void TestPreviewRecasing::faultStopsAtThatItem() {
    const QString tooLong(40000, u'x');
    QTreeWidget list;
    Fill(list, {u"first"_qs, tooLong, u"after"_qs});

    QVERIFY_THROWS_EXCEPTION(std::overflow_error, Case::RecaseListProper(*list.model()));

    QCOMPARE(Texts(list), (QStringList{u"First"_qs, tooLong, u"after"_qs}));
}

QTEST_MAIN(TestPreviewRecasing)
#include "tst_preview_recasing.moc"
