#include "casing/case_rules.h"
#include "casing/name_case.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

namespace {

// The escapes of the table's file: \n, \r, \t, \s (a space) and \\.
QString Unescape(const QString& field) {
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const QChar code = field[++i];
        text += code == u'n'   ? QChar(u'\n')
                : code == u'r' ? QChar(u'\r')
                : code == u't' ? QChar(u'\t')
                : code == u's' ? QChar(u' ')
                               : code;
    }
    return text;
}

Case::NameExceptions Exceptions(const QStringList& words) {
    Case::NameExceptions exceptions;
    for (const QString& word : words)
        exceptions.Add(word);
    return exceptions;
}

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestNameCase : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void exceptions_data();
    void exceptions();
    void exceptionsFile();
};

// Names and addresses as typed, and as they are written (tests/casing/name_case_cases.tsv).
void TestNameCase::names_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("knownWrong"); // why the rules get it wrong, if they do

    QFile file(QStringLiteral(NAME_CASE_CASES));
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), NAME_CASE_CASES);
    int line = 0;
    while (!file.atEnd()) {
        ++line;
        QString row = QString::fromUtf8(file.readLine());
        row.chop(row.endsWith(u'\n') ? 1 : 0);
        if (row.isEmpty() || row.startsWith(u'#'))
            continue;
        const QStringList fields = row.split(u'\t');
        QVERIFY2(fields.size() == 2 || fields.size() == 3, qPrintable(QString::number(line)));
        QTest::addRow("line %d: %s", line, qPrintable(fields[0]))
            << Unescape(fields[0]) << Unescape(fields[1]) << fields.value(2);
    }

    // What a file row cannot hold.
    QString typed, written;
    while (typed.size() < 40000) {
        typed += u"MARY O'BRIEN-MCDONALD VIII, 4TH AVENUE\n"_qs;
        written += u"Mary O'Brien-McDonald VIII, 4th Avenue\n"_qs;
    }
    QTest::newRow("40,000 characters") << typed.left(40000) << written.left(40000) << QString();
    const char16_t lone[] = {0xD800, u'J', u'O', u'H', u'N', u' ', 0xDC00, u'S', u'M', u'I'};
    const char16_t loneCased[] = {0xD800, u'J', u'o', u'h', u'n', u' ', 0xDC00, u'S', u'm', u'i'};
    QTest::newRow("lone surrogates end words")
        << QString::fromUtf16(lone, 10) << QString::fromUtf16(loneCased, 10) << QString();
}

void TestNameCase::names() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QString, knownWrong);

    const QString cased = Case::NameCase(text);
    QCOMPARE(Case::NameCase(cased), cased);
    QCOMPARE(Case::Convert(Case::CaseMode::Names, text), cased);
    if (!knownWrong.isEmpty())
        QEXPECT_FAIL("", qPrintable(knownWrong), Continue);
    QCOMPARE(cased, expected);
}

// A word listed in the exceptions, ignoring case, is written as listed; only whole words.
void TestNameCase::exceptions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("PO box") << u"PO BOX 12"_qs << u"PO Box 12"_qs;
    QTest::newRow("any case in the text") << u"ibm uk ltd"_qs << u"IBM UK Ltd"_qs;
    QTest::newRow("listed beats Mac rules") << u"MACHALE"_qs << u"MacHale"_qs;
    QTest::newRow("listed beats particles") << u"JOHN DE LA SALLE"_qs << u"John De La Salle"_qs;
    QTest::newRow("with an apostrophe") << u"MCDONALD'S"_qs << u"McDonald's"_qs;
    QTest::newRow("with digits") << u"3M COMPANY"_qs << u"3M Company"_qs;
    QTest::newRow("whole words only") << u"USABLE IBMER"_qs << u"Usable Ibmer"_qs;
    QTest::newRow("inside a hyphenated name") << u"USA-BASED"_qs << u"USA-Based"_qs;
}

void TestNameCase::exceptions() {
    QFETCH(QString, text);
    QFETCH(QString, expected);

    const Case::NameExceptions listed =
        Exceptions({u"IBM"_qs, u"UK"_qs, u"PO"_qs, u"USA"_qs, u"MacHale"_qs, u"De"_qs, u"La"_qs,
                    u"McDonald's"_qs, u"3M"_qs});
    QCOMPARE(Case::NameCase(text, listed), expected);
    QCOMPARE(Case::ConvertValue(Case::CaseMode::Names, text, listed), expected);
    QCOMPARE(Case::NameCase(expected, listed), expected);
}

// The file: UTF-8, one word a line, blank lines and surrounding white space ignored; the
// default one under $XDG_CONFIG_HOME may be missing, a named one must be readable.
void TestNameCase::exceptionsFile() {
    const QString defaultPath = Case::DefaultNameExceptionsPath();
    QCOMPARE(defaultPath,
             qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Vantrel/name-exceptions.txt"_qs);
    QFile::remove(defaultPath);
    QVERIFY(Case::DefaultNameExceptions().IsEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(u"words.txt"_qs);
    WriteFile(path, "\xEF\xBB\xBFIBM\r\n\r\n  \xC3\x96"
                    "BB  \n\tMacArthur\n");
    const Case::NameExceptions read = Case::ReadNameExceptions(path);
    QCOMPARE(read.Size(), 3);
    QCOMPARE(Case::NameCase(u"ibm öbb macarthur"_qs, read), u"IBM ÖBB MacArthur"_qs);

    QVERIFY(QDir().mkpath(QFileInfo(defaultPath).path()));
    WriteFile(defaultPath, "USA\n");
    QCOMPARE(Case::NameCase(u"usa"_qs, Case::DefaultNameExceptions()), u"USA"_qs);
    QFile::remove(defaultPath);

    const QString missing = dir.filePath(u"missing.txt"_qs);
    try {
        Case::ReadNameExceptions(missing);
        QFAIL("a missing file was read");
    } catch (const std::runtime_error& error) {
        QVERIFY2(QString::fromUtf8(error.what())
                     .startsWith(u"Cannot read the exceptions file "_qs + missing + u": "_qs),
                 error.what());
    }
}

QTEST_APPLESS_MAIN(TestNameCase)
#include "tst_name_case.moc"
