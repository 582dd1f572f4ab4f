#include "casing/case_rules.h"
#include "change/statements.h"

#include <QTest>

using Case::CaseMode;

class TestStatements : public QObject {
    Q_OBJECT

private slots:
    void escapeLiteral_data();
    void escapeLiteral();
    void readStatement();
    void replaceStatement_data();
    void replaceStatement();
};

void TestStatements::escapeLiteral_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("one quote") << u"it's"_qs << u"it''s"_qs;
    QTest::newRow("quotes at both ends") << u"'x'"_qs << u"''x''"_qs;
    QTest::newRow("two quotes become four") << u"a''b"_qs << u"a''''b"_qs;
    QTest::newRow("nothing else touched")
        << u"line\r\nbreak \\ & \" % _ ;"_qs << u"line\r\nbreak \\ & \" % _ ;"_qs;
}

void TestStatements::escapeLiteral() {
    QFETCH(QString, text);
    QFETCH(QString, expected);

    QCOMPARE(EscapeLiteral(text), expected);
}

void TestStatements::readStatement() {
    QCOMPARE(BuildReadStatement(u"EMP"_qs, u"ENAME"_qs), u"SELECT \"ENAME\" FROM \"EMP\""_qs);
    QCOMPARE(BuildReadStatement(u"My \"T\""_qs, u"Name"_qs),
             u"SELECT \"Name\" FROM \"My \"\"T\"\"\""_qs);
}

// The old text as read and the new text as converted, both escaped as the change run does.
void TestStatements::replaceStatement_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<CaseMode>("mode");
    QTest::addColumn<QString>("expected");

    QTest::newRow("quote in proper case")
        << u"T"_qs << u"C"_qs << u"it's"_qs << CaseMode::Proper
        << u"UPDATE \"T\" SET \"C\" = REPLACE(\"C\",'it''s','It''s') WHERE \"C\" = 'it''s'"_qs;
    QTest::newRow("upper case")
        << u"EMP"_qs << u"ENAME"_qs << u"O'Brien"_qs << CaseMode::Upper
        << u"UPDATE \"EMP\" SET \"ENAME\" = REPLACE(\"ENAME\",'O''Brien','O''BRIEN') "
           "WHERE \"ENAME\" = 'O''Brien'"_qs;
    QTest::newRow("two quotes")
        << u"T"_qs << u"C"_qs << u"a''b"_qs << CaseMode::Upper
        << u"UPDATE \"T\" SET \"C\" = REPLACE(\"C\",'a''''b','A''''B') WHERE \"C\" = 'a''''b'"_qs;
    QTest::newRow("null or empty value")
        << u"T"_qs << u"C"_qs << QString() << CaseMode::Upper
        << u"UPDATE \"T\" SET \"C\" = REPLACE(\"C\",'','') WHERE \"C\" = ''"_qs;
    QTest::newRow("names keep their case")
        << u"Staff"_qs << u"Name"_qs << u"x"_qs << CaseMode::Upper
        << u"UPDATE \"Staff\" SET \"Name\" = REPLACE(\"Name\",'x','X') WHERE \"Name\" = 'x'"_qs;
    QTest::newRow("double quote in names")
        << u"a\"b"_qs << u"c \"d\""_qs << u"x"_qs << CaseMode::Lower
        << u"UPDATE \"a\"\"b\" SET \"c \"\"d\"\"\" = REPLACE(\"c \"\"d\"\"\",'x','x') "
           "WHERE \"c \"\"d\"\"\" = 'x'"_qs;
}

void TestStatements::replaceStatement() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(CaseMode, mode);
    QFETCH(QString, expected);

    const QString statement = BuildReplaceStatement(table, column, EscapeLiteral(value),
                                                    EscapeLiteral(Case::Convert(mode, value)));

    QCOMPARE(statement, expected);
}

QTEST_APPLESS_MAIN(TestStatements)
#include "tst_statements.moc"
