#include "casing/name_exceptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

namespace {

void WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestNameExceptions : public QObject {
    Q_OBJECT

private slots:
    void exceptionsFile();
};

// The file: UTF-8, one word a line, blank lines and surrounding white space ignored; the
// default one under $XDG_CONFIG_HOME may be missing, a named one must be readable.
void TestNameExceptions::exceptionsFile() {
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
    QCOMPARE(read.Find(u"ibm"_qs), u"IBM"_qs);
    QCOMPARE(read.Find(u"öbb"_qs), u"ÖBB"_qs);
    QCOMPARE(read.Find(u"MACARTHUR"_qs), u"MacArthur"_qs);
    QVERIFY(read.Find(u"macarthurs"_qs).isNull());

    QVERIFY(QDir().mkpath(QFileInfo(defaultPath).path()));
    WriteFile(defaultPath, "USA\n");
    QCOMPARE(Case::DefaultNameExceptions().Find(u"usa"_qs), u"USA"_qs);
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

QTEST_APPLESS_MAIN(TestNameExceptions)
#include "tst_name_case.moc"
