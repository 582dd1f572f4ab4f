#include "casing/case_rules.h"
#include "change/statements.h"
#include "db/dialect/dialect.h"

#include <QTest>

using Case::CaseMode;
using db::Dbms;
using db::Dialect;

class TestStatements : public QObject {
    Q_OBJECT

private slots:
    void escapeLiteral_data();
    void escapeLiteral();
    void readStatement();
    void replaceStatement_data();
    void replaceStatement();
    void dialectStatements_data();
    void dialectStatements();
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
// The new text is assigned where the whole value is the old text.
void TestStatements::replaceStatement_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<CaseMode>("mode");
    QTest::addColumn<QString>("expected");

    QTest::newRow("quote in proper case")
        << u"T"_qs << u"C"_qs << u"it's"_qs << CaseMode::Proper
        << u"UPDATE \"T\" SET \"C\" = 'It''s' WHERE \"C\" = 'it''s'"_qs;
    QTest::newRow("upper case")
        << u"EMP"_qs << u"ENAME"_qs << u"O'Brien"_qs << CaseMode::Upper
        << u"UPDATE \"EMP\" SET \"ENAME\" = 'O''BRIEN' WHERE \"ENAME\" = 'O''Brien'"_qs;
    QTest::newRow("two quotes") << u"T"_qs << u"C"_qs << u"a''b"_qs << CaseMode::Upper
                                << u"UPDATE \"T\" SET \"C\" = 'A''''B' WHERE \"C\" = 'a''''b'"_qs;
    QTest::newRow("names keep their case")
        << u"Staff"_qs << u"Name"_qs << u"x"_qs << CaseMode::Upper
        << u"UPDATE \"Staff\" SET \"Name\" = 'X' WHERE \"Name\" = 'x'"_qs;
    QTest::newRow("double quote in names")
        << u"a\"b"_qs << u"c \"d\""_qs << u"x"_qs << CaseMode::Lower
        << u"UPDATE \"a\"\"b\" SET \"c \"\"d\"\"\" = 'x' WHERE \"c \"\"d\"\"\" = 'x'"_qs;
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

// The statements of each database, as text: only the stand-in's run against a server here.
void TestStatements::dialectStatements_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");

    const Dialect oracle(Dbms::Oracle), pg(Dbms::PostgreSQL), other(Dbms::Other);
    const Dialect keyed = pg.WithKey(u"id"_qs, u"integer"_qs);
    const std::vector<db::RowWrite> rows{{u"AAAR3sAAEAAAACXAAA"_qs, u"it's"_qs, u"IT'S"_qs},
                                         {u"AAAR3sAAEAAAACXAAB"_qs, u"a\"b\\c"_qs, u"A\"B\\C"_qs}};
    QTest::newRow("oracle read") << oracle.ReadStatement(u"EMP"_qs, u"ENAME"_qs)
                                 << u"SELECT \"ENAME\", ROWIDTOCHAR(ROWID) FROM \"EMP\""_qs;
    QTest::newRow("oracle group")
        << oracle.GroupWriteStatement(u"EMP"_qs, u"ENAME"_qs, false, rows)
        << u"MERGE INTO \"EMP\" t USING (SELECT CHARTOROWID('AAAR3sAAEAAAACXAAA') rid, 'it''s' o, "
           "'IT''S' n FROM DUAL UNION ALL SELECT CHARTOROWID('AAAR3sAAEAAAACXAAB') rid, 'a\"b\\c' "
           "o, 'A\"B\\C' n FROM DUAL) v ON (t.ROWID = v.rid) WHEN MATCHED THEN UPDATE SET "
           "t.\"ENAME\" = v.n WHERE t.\"ENAME\" = v.o"_qs;
    QTest::newRow("oracle row") << oracle.RowWriteStatement(u"EMP"_qs, u"ENAME"_qs, false, rows[0])
                                << u"UPDATE \"EMP\" SET \"ENAME\" = 'IT''S' WHERE ROWID = "
                                   "CHARTOROWID('AAAR3sAAEAAAACXAAA') AND \"ENAME\" = 'it''s'"_qs;
    QTest::newRow("oracle row, WHERE inside the values")
        << oracle.RowWriteStatement(u"T"_qs, u"C"_qs, false,
                                    {u"AAAR3sAAEAAAACXAAA"_qs, u"X WHERE Y"_qs, u"x where y"_qs})
        << u"UPDATE \"T\" SET \"C\" = 'x where y' WHERE ROWID = CHARTOROWID('AAAR3sAAEAAAACXAAA') "
           "AND \"C\" = 'X WHERE Y'"_qs;
    QTest::newRow("oracle table key")
        << oracle.TableKeyStatement(u"EMP"_qs)
        << u"SELECT OBJECT_ID FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE' AND OBJECT_NAME = "
           "'EMP'"_qs;
    QTest::newRow("stand-in read")
        << pg.ReadStatement(u"T"_qs, u"C"_qs)
        << u"SELECT \"C\", CAST(tableoid AS text) || ':' || CAST(ctid AS text) FROM \"T\""_qs;
    QTest::newRow("stand-in group, one table, padded")
        << pg.GroupWriteStatement(u"T"_qs, u"C"_qs, true,
                                  {{u"16441:(0,1)"_qs, u"it's "_qs, u"IT'S "_qs},
                                   {u"16441:(0,2)"_qs, u"a\"b\\c"_qs, u"A\"B\\C"_qs}})
        << u"UPDATE \"T\" AS t SET \"C\" = v.n FROM unnest(CAST('{\"(0,1)\",\"(0,2)\"}' AS "
           "tid[]),CAST('{\"it''s \",\"a\\\"b\\\\c\"}' AS text[]),CAST('{\"IT''S "
           "\",\"A\\\"B\\\\C\"}' "
           "AS text[])) WITH ORDINALITY AS v(id, o, n, i) WHERE t.ctid = v.id AND t.tableoid = "
           "CAST('16441' AS oid) AND t.\"C\" = CAST(v.o AS bpchar) RETURNING v.i, "
           "CAST(t.tableoid AS text) || ':' || CAST(t.ctid AS text)"_qs;
    QTest::newRow("stand-in group, partitions")
        << pg.GroupWriteStatement(
               u"T"_qs, u"C"_qs, false,
               {{u"16441:(0,1)"_qs, u"x"_qs, u"X"_qs}, {u"16450:(0,1)"_qs, u"y"_qs, u"Y"_qs}})
        << u"UPDATE \"T\" AS t SET \"C\" = v.n FROM unnest(CAST('{\"(0,1)\",\"(0,1)\"}' AS "
           "tid[]),CAST('{\"16441\",\"16450\"}' AS oid[]),CAST('{\"x\",\"y\"}' AS text[]),"
           "CAST('{\"X\",\"Y\"}' AS text[])) WITH ORDINALITY AS v(id, rel, o, n, i) WHERE t.ctid = "
           "v.id AND t.tableoid = v.rel AND t.\"C\" = v.o RETURNING v.i, CAST(t.tableoid AS "
           "text) || ':' || CAST(t.ctid AS text)"_qs;
    QTest::newRow("stand-in group by primary key")
        << keyed.GroupWriteStatement(u"T"_qs, u"C"_qs, false, {{u"=7"_qs, u"x"_qs, u"X"_qs}})
        << u"UPDATE \"T\" AS t SET \"C\" = v.n FROM unnest(CAST('{\"7\"}' AS integer[]),"
           "CAST('{\"x\"}' AS text[]),CAST('{\"X\"}' AS text[])) WITH ORDINALITY AS v(id, o, n, "
           "i) WHERE t.\"id\" = v.id AND t.\"C\" = v.o RETURNING v.i, '=' || CAST(t.\"id\" AS "
           "text)"_qs;
    QTest::newRow("without row identity")
        << other.RowWriteStatement(u"T"_qs, u"C"_qs, false, {QString(), u"x"_qs, u"X"_qs})
        << u"UPDATE \"T\" SET \"C\" = 'X' WHERE \"C\" = 'x'"_qs;
}

void TestStatements::dialectStatements() {
    QFETCH(QString, statement);
    QFETCH(QString, expected);

    QCOMPARE(statement, expected);
}

QTEST_APPLESS_MAIN(TestStatements)
#include "tst_statements.moc"
