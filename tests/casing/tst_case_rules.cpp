#include "casing/case_rules.h"

#include <QTest>
#include <initializer_list>
#include <stdexcept>

using Case::CaseMode;

namespace {

// A text given unit by unit, for lone surrogates that a string literal cannot hold.
QString FromUnits(std::initializer_list<char16_t> units) {
    return QString(reinterpret_cast<const QChar*>(units.begin()), qsizetype(units.size()));
}

QString ModeName(std::optional<CaseMode> mode) {
    if (!mode) {
        return QStringLiteral("none");
    }
    switch (*mode) {
    case CaseMode::Upper:
        return QStringLiteral("Upper");
    case CaseMode::Lower:
        return QStringLiteral("Lower");
    case CaseMode::Proper:
        return QStringLiteral("Proper");
    case CaseMode::Sentence:
        return QStringLiteral("Sentence");
    case CaseMode::Names:
        return QStringLiteral("Names");
    }
    return QString();
}

} // namespace

class TestCaseRules : public QObject {
    Q_OBJECT

private slots:
    void convert_data();
    void convert();
    void properCaseLengthLimit();
    void matchCaseMode_data();
    void matchCaseMode();
};

void TestCaseRules::convert_data() {
    QTest::addColumn<CaseMode>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const CaseMode all[] = {CaseMode::Upper, CaseMode::Lower, CaseMode::Proper, CaseMode::Sentence};
    for (CaseMode mode : all) {
        QTest::addRow("empty %s", qPrintable(ModeName(mode))) << mode << QString() << QString();
    }

    const auto proper = [](const char* name, const QString& text, const QString& expected) {
        QTest::addRow("proper: %s", name) << CaseMode::Proper << text << expected;
    };
    proper("mixed words", u"HELLO wORLD"_qs, u"Hello World"_qs);
    proper("double spaces", u"  two  spaces"_qs, u"  Two  Spaces"_qs);
    proper("CR LF does not start a word", u"line one\r\nline two"_qs, u"Line One\r\nline Two"_qs);
    proper("lone CR starts a word", u"line one\rline two"_qs, u"Line One\rLine Two"_qs);
    proper("lone LF does not", u"a\nb"_qs, u"A\nb"_qs);
    proper("tab", u"a\tb"_qs, u"A\tB"_qs);
    proper("hyphen and apostrophe", u"jean-luc o'neil"_qs, u"Jean-luc O'neil"_qs);
    proper("leading digit", u"4th of july"_qs, u"4th Of July"_qs);
    proper("bracket", u"(note) text"_qs, u"(note) Text"_qs);
    proper("acronym", u"USA"_qs, u"Usa"_qs);
    proper("greek", u"ΟΔΟΣ ΑΘΗΝΑΣ"_qs, u"Οδοσ Αθηνασ"_qs);
    proper("lowered before capitalised", u"\u1E9Eauer"_qs, u"ßauer"_qs);

    const auto sentence = [](const char* name, const QString& text, const QString& expected) {
        QTest::addRow("sentence: %s", name) << CaseMode::Sentence << text << expected;
    };
    sentence("no sentence detection", u"hello. HOW are you?"_qs, u"Hello. how are you?"_qs);
    sentence("leading space", u" leading space"_qs, u" leading space"_qs);
    sentence("line break", u"ABC\r\nDEF"_qs, u"Abc\r\ndef"_qs);

    // One unit for one unit: nothing expands, nothing depends on context or locale.
    QTest::newRow("upper: punctuation kept")
        << CaseMode::Upper << u"a1 -'.!?\tb"_qs << u"A1 -'.!?\tB"_qs;
    QTest::newRow("upper: sharp s stays") << CaseMode::Upper << u"straße"_qs << u"STRAßE"_qs;
    QTest::newRow("upper: ligature and n-apostrophe stay")
        << CaseMode::Upper << u"\uFB01 \u0149"_qs << u"\uFB01 \u0149"_qs;
    QTest::newRow("upper: final sigma") << CaseMode::Upper << u"ὁδός"_qs << u"ὉΔΌΣ"_qs;
    QTest::newRow("lower: sigma is never final") << CaseMode::Lower << u"ΟΔΟΣ"_qs << u"οδοσ"_qs;
    QTest::newRow("upper: dotless i") << CaseMode::Upper << u"ıi"_qs << u"II"_qs;
    QTest::newRow("lower: capital I is dotted") << CaseMode::Lower << u"I"_qs << u"i"_qs;
    QTest::newRow("lower: capital sharp s") << CaseMode::Lower << u"\u1E9E"_qs << u"ß"_qs;
    QTest::newRow("upper: surrogates untouched")
        << CaseMode::Upper << FromUnits({u'a', 0xD801, 0xDC28, 0xD800, u'b', 0xDC00, u'c'})
        << FromUnits({u'A', 0xD801, 0xDC28, 0xD800, u'B', 0xDC00, u'C'});
    QTest::newRow("proper: lone surrogate is no separator")
        << CaseMode::Proper << FromUnits({0xDC00, u'x', u'Y', u' ', u'z'})
        << FromUnits({0xDC00, u'x', u'y', u' ', u'Z'});
}

void TestCaseRules::convert() {
    QFETCH(CaseMode, mode);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QCOMPARE(Case::Convert(mode, text), expected);
}

void TestCaseRules::properCaseLengthLimit() {
    const QString longest(32766, u'x');
    const QString converted = Case::ProperCase(longest);
    QCOMPARE(converted.size(), longest.size());
    QCOMPARE(converted.front(), u'X');

    try {
        Case::ProperCase(QString(32767, u'x'));
        QFAIL("32,767 characters were converted");
    } catch (const std::overflow_error& error) {
        QCOMPARE(error.what(), "Overflow");
    }
    QVERIFY_THROWS_EXCEPTION(std::overflow_error, Case::ProperCase(QString(70000, u' ')));

    // Only ProperCase has a limit.
    const QString veryLong(70000, u'x');
    QCOMPARE(Case::SentenceCase(veryLong).front(), u'X');
    QCOMPARE(Case::UpperCase(veryLong).size(), veryLong.size());
}

void TestCaseRules::matchCaseMode_data() {
    QTest::addColumn<QString>("caseBoxText");
    QTest::addColumn<QString>("mode");

    QTest::newRow("upper") << u"UPPER CASE"_qs << u"Upper"_qs;
    QTest::newRow("lower") << u"lower case"_qs << u"Lower"_qs;
    QTest::newRow("proper") << u"Proper Case"_qs << u"Proper"_qs;
    QTest::newRow("sentence") << u"Sentence case"_qs << u"Sentence"_qs;
    QTest::newRow("empty") << QString() << u"none"_qs;
    QTest::newRow("no mode word") << u"Title Case"_qs << u"none"_qs;
    QTest::newRow("split word") << u"up per"_qs << u"none"_qs;
    QTest::newRow("inside a longer word") << u"SUPERUPPERS"_qs << u"Upper"_qs;
    QTest::newRow("upper beats an earlier lower") << u"lower or upper"_qs << u"Upper"_qs;
    QTest::newRow("proper beats an earlier sentence") << u"sentence, proper"_qs << u"Proper"_qs;
}

void TestCaseRules::matchCaseMode() {
    QFETCH(QString, caseBoxText);
    QFETCH(QString, mode);

    QCOMPARE(ModeName(Case::MatchCaseMode(caseBoxText)), mode);
}

QTEST_APPLESS_MAIN(TestCaseRules)
#include "tst_case_rules.moc"
