#include "casing/case_rules.h"
#include "change/group_writer.h"
#include "change/progress_estimate.h"
#include "db/charset.h"
#include "db/dialect/dialect.h"
#include "db/dialect/oracle.h"
#include "db/error.h"
#include "db/odbc_diagnostics.h"
#include "journal/run_journal.h"

#include <QTest>
#include <cmath>
#include <sql.h>
#include <sqlext.h>

using Case::CaseMode;
using db::Dbms;
using db::Dialect;

class TestStatements : public QObject {
    Q_OBJECT

private slots:
    void dialectStatements_data();
    void dialectStatements();
    void writeParameters_data();
    void writeParameters();
    void faultClasses_data();
    void faultClasses();
    void moreResults_data();
    void moreResults();
    void oracleCatalogue_data();
    void oracleCatalogue();
    void nationalTextDrivers_data();
    void nationalTextDrivers();
    void bindings_data();
    void bindings();
    void writeBindTypes_data();
    void writeBindTypes();
    void unheldCharacters_data();
    void unheldCharacters();
    void readReopens_data();
    void readReopens();
    void readTotal_data();
    void readTotal();
};

// The statements of each database, as text: only the stand-in's run against a server here.
// Values, and a table's name as the catalogue compares it, never stand in a statement's text:
// only quoted names and parameter markers do.
void TestStatements::dialectStatements_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");

    const Dialect oracle(Dbms::Oracle), pg(Dbms::PostgreSQL);
    const Dialect oracleKeyed(Dbms::Oracle,
                              {.keyColumn = u"EMPNO"_qs, .keyType = u"NUMBER"_qs, .collate = true});
    const Dialect oracleCoded(Dbms::Oracle, {.keyColumn = u"CODE"_qs, .keyType = u"VARCHAR2"_qs});
    const Dialect keyed(Dbms::PostgreSQL, {.keyColumn = u"id"_qs, .keyType = u"integer"_qs});
    const db::WriteTarget emp{u"EMP"_qs, {u"ENAME"_qs}, {false}},
        padded{u"T"_qs, {u"C"_qs}, {true}};
    QTest::newRow("names quoted exactly")
        << pg.DescribeStatement(u"My \"T\""_qs, u"Name"_qs)
        << u"SELECT \"Name\" FROM \"My \"\"T\"\"\" WHERE 1 = 0"_qs;
    QTest::newRow("oracle read") << oracle.ReadStatement(u"EMP"_qs, {u"ENAME"_qs})
                                 << u"SELECT \"ENAME\", ROWID FROM \"EMP\""_qs;
    QTest::newRow("oracle read by integer key")
        << oracleKeyed.ReadStatement(u"EMP"_qs, {u"ENAME"_qs})
        << u"SELECT \"ENAME\", '=' || TO_CHAR(\"EMPNO\", "
           "'FM99999999999999999999999999999999999999') FROM \"EMP\""_qs;
    QTest::newRow("oracle read by character key")
        << oracleCoded.ReadStatement(u"EMP"_qs, {u"ENAME"_qs})
        << u"SELECT \"ENAME\", '=' || \"CODE\" FROM \"EMP\""_qs;
    QTest::newRow("oracle write by character key") << oracleCoded.WriteStatement(emp, true)
                                                   << u"UPDATE \"EMP\" SET \"ENAME\" = ? WHERE "
                                                      "\"CODE\" = ? AND \"ENAME\" = ?"_qs;
    QTest::newRow("oracle collate probe")
        << db::oracle::CollateProbe() << u"SELECT 1 FROM DUAL WHERE 'a' COLLATE BINARY = 'a'"_qs;
    QTest::newRow("oracle write where COLLATE is refused")
        << oracle.WriteStatement(emp, false)
        << u"UPDATE \"EMP\" SET \"ENAME\" = ? WHERE ROWID = ? AND \"ENAME\" = ?"_qs;
    QTest::newRow("oracle write by key, binary collation")
        << oracleKeyed.WriteStatement(emp, true)
        << u"UPDATE \"EMP\" SET \"ENAME\" = ? WHERE \"EMPNO\" = TO_NUMBER(?, "
           "'FM99999999999999999999999999999999999999') AND \"ENAME\" COLLATE BINARY = ?"_qs;
    QTest::newRow("oracle read-back") << oracle.ReadBackStatement(emp, false)
                                      << u"SELECT \"ENAME\" FROM \"EMP\" WHERE ROWID = ?"_qs;
    QTest::newRow("oracle commit mark") << oracle.CommitMarkStatement(emp, false)
                                        << u"SELECT ORA_ROWSCN FROM \"EMP\" WHERE ROWID = ?"_qs;
    QTest::newRow("stand-in commit mark (none)") << pg.CommitMarkStatement(emp, false) << QString();
    QTest::newRow("oracle session") << oracle.SessionStatements().join(';')
                                    << u"ALTER SESSION SET NLS_COMP = BINARY NLS_SORT = BINARY"_qs;
    QTest::newRow("oracle table key")
        << oracle.TableKeyStatement(u"EMP"_qs)
        << u"SELECT OBJECT_ID FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TABLE' AND OBJECT_NAME = "
           "?"_qs;
    QTest::newRow("stand-in read")
        << pg.ReadStatement(u"T"_qs, {u"C"_qs})
        << u"SELECT \"C\", CAST(tableoid AS text) || ':' || CAST(ctid AS text) FROM \"T\""_qs;
    QTest::newRow("stand-in group, padded")
        << pg.WriteStatement(padded, false)
        << u"UPDATE \"T\" AS t SET \"C\" = v.n FROM unnest(CAST(? AS tid[]), CAST(? AS oid[]), "
           "CAST(? AS text[]), CAST(? AS text[])) WITH ORDINALITY AS v(id, rel, o, n, i) WHERE "
           "t.ctid = v.id AND t.tableoid = v.rel AND CAST(t.\"C\" AS text) COLLATE \"C\" = "
           "CAST(CAST(v.o AS bpchar) AS text) RETURNING v.i, CAST(t.tableoid AS text) || ':' || "
           "CAST(t.ctid AS text) || '@' || CAST(t.xmin AS text), t.\"C\""_qs;
    QTest::newRow("stand-in undo by address: in the version the run's write made")
        << pg.WithRowVersions().WriteStatement(emp, false)
        << u"UPDATE \"EMP\" AS t SET \"ENAME\" = v.n FROM unnest(CAST(? AS tid[]), CAST(? AS "
           "oid[]), CAST(? AS xid[]), CAST(? AS text[]), CAST(? AS text[])) WITH ORDINALITY AS "
           "v(id, rel, ver, o, n, i) WHERE t.ctid = v.id AND t.tableoid = v.rel AND t.xmin = "
           "v.ver AND CAST(t.\"ENAME\" AS text) COLLATE \"C\" = v.o RETURNING v.i, "
           "CAST(t.tableoid AS text) || ':' || CAST(t.ctid AS text) || '@' || CAST(t.xmin AS "
           "text), t.\"ENAME\""_qs;
    QTest::newRow("stand-in rows not reached, by key, in one statement")
        << keyed.UnreachedStatement({u"T"_qs, {u"C"_qs}, {false}}, true)
        << u"SELECT v.i, 1, CAST(t.\"C\" AS text) FROM \"T\" AS t JOIN unnest(CAST(? AS "
           "integer[])) WITH ORDINALITY AS v(id, i) ON t.\"id\" = v.id"_qs;
    QTest::newRow("stand-in rows not reached by an undo, by address")
        << pg.WithRowVersions().UnreachedStatement({u"T"_qs, {u"C"_qs}, {false}}, false)
        << u"SELECT v.i, CAST(t.xmin = v.ver AS int), CAST(t.\"C\" AS text) FROM \"T\" AS t "
           "JOIN unnest(CAST(? AS tid[]), CAST(? AS oid[]), CAST(? AS xid[])) WITH ORDINALITY AS "
           "v(id, rel, ver, i) ON t.ctid = v.id AND t.tableoid = v.rel"_qs;
    QTest::newRow("oracle undo by ROWID: exact guard, no change since the commit's SCN")
        << Dialect(Dbms::Oracle, {.collate = true}).WithRowVersions().WriteStatement(emp, false)
        << u"UPDATE \"EMP\" SET \"ENAME\" = ? WHERE ROWID = ? AND ORA_ROWSCN <= TO_NUMBER(?) "
           "AND \"ENAME\" COLLATE BINARY = ?"_qs;
    QTest::newRow("oracle undo by key: no version")
        << oracleKeyed.WithRowVersions().WriteStatement(emp, true)
        << oracleKeyed.WriteStatement(emp, true);
    QTest::newRow("oracle row not reached by an undo")
        << oracle.WithRowVersions().UnreachedStatement(emp, false)
        << u"SELECT CASE WHEN ORA_ROWSCN <= TO_NUMBER(?) THEN 1 ELSE 0 END, \"ENAME\" FROM "
           "\"EMP\" WHERE ROWID = ?"_qs;
    QTest::newRow("stand-in group by primary key")
        << keyed.WriteStatement({u"T"_qs, {u"C"_qs}, {false}}, true)
        << u"UPDATE \"T\" AS t SET \"C\" = v.n FROM unnest(CAST(? AS integer[]), CAST(? AS "
           "text[]), CAST(? AS text[])) WITH ORDINALITY AS v(id, o, n, i) WHERE t.\"id\" = v.id "
           "AND CAST(t.\"C\" AS text) COLLATE \"C\" = v.o RETURNING v.i, '=' || CAST(t.\"id\" AS "
           "text), t.\"C\""_qs;
    const db::WriteTarget two{u"T"_qs, {u"A"_qs, u"B"_qs}, {false, true}};
    QTest::newRow("stand-in group, two columns")
        << pg.WriteStatement(two, false)
        << u"UPDATE \"T\" AS t SET \"A\" = coalesce(v.n1, t.\"A\"), \"B\" = coalesce(v.n2, "
           "t.\"B\") FROM unnest(CAST(? AS tid[]), CAST(? AS oid[]), CAST(? AS text[]), CAST(? AS "
           "text[]), CAST(? AS text[]), CAST(? AS text[])) WITH ORDINALITY AS v(id, rel, o1, n1, "
           "o2, n2, i) WHERE t.ctid = v.id AND t.tableoid = v.rel AND (v.o1 IS NULL OR "
           "CAST(t.\"A\" AS text) COLLATE \"C\" = v.o1) AND (v.o2 IS NULL OR CAST(t.\"B\" AS "
           "text) COLLATE \"C\" = CAST(CAST(v.o2 AS bpchar) AS text)) RETURNING v.i, "
           "CAST(t.tableoid AS text) || ':' || CAST(t.ctid AS text) || '@' || CAST(t.xmin AS "
           "text), t.\"A\", t.\"B\""_qs;
    QTest::newRow("oracle write, two columns")
        << oracle.WriteStatement(two, false)
        << u"UPDATE \"T\" SET \"A\" = NVL(?, \"A\"), \"B\" = NVL(?, \"B\") WHERE ROWID = ? AND "
           "(? IS NULL OR \"A\" = ?) AND (? IS NULL OR \"B\" = ?)"_qs;
    QTest::newRow("stand-in count-only, read by key")
        << Dialect(Dbms::PostgreSQL,
                   {.keyColumn = u"id"_qs, .keyType = u"integer"_qs, .countOnly = true})
               .ReadStatement(u"T"_qs, {u"C"_qs})
        << u"SELECT \"C\", '=' || CAST(\"id\" AS text) FROM \"T\""_qs;
    QTest::newRow("stand-in count-only write")
        << Dialect(Dbms::PostgreSQL, {.countOnly = true})
               .WriteStatement({u"T"_qs, {u"C"_qs}, {false}}, false)
        << u"UPDATE \"T\" SET \"C\" = ? WHERE ctid = CAST(? AS tid) AND tableoid = CAST(? AS "
           "oid) AND CAST(\"C\" AS text) COLLATE \"C\" = ?"_qs;
    // Rows without names are found by value: the new text is assigned where the whole value is
    // the old text, both bound as they are read and converted, never written into the text.
    QTest::newRow("oracle by value: the run's exact guard")
        << Dialect(Dbms::Oracle, {.collate = true}).WithoutRowNames().WriteStatement(emp, false)
        << u"UPDATE \"EMP\" SET \"ENAME\" = ? WHERE \"ENAME\" COLLATE BINARY = ?"_qs;
    QTest::newRow("stand-in without row identity")
        << pg.WithoutRowNames().WriteStatement({u"T"_qs, {u"C"_qs}, {false}}, false)
        << u"UPDATE \"T\" SET \"C\" = ? WHERE CAST(\"C\" AS text) COLLATE \"C\" = ?"_qs;
}

// The values reach a write only as parameters, exactly as they are.
void TestStatements::writeParameters_data() {
    QTest::addColumn<QList<QStringList>>("parameters"); // one list per marker
    QTest::addColumn<QList<QStringList>>("expected");
    const auto lists = [](const std::vector<db::ParameterColumn>& columns) {
        QList<QStringList> result;
        for (const db::ParameterColumn& column : columns)
            result.append(QStringList(column.begin(), column.end()));
        return result;
    };
    const std::vector<db::RowWrite> rows{
        {u"AAAR3sAAEAAAACXAAA"_qs, {u"X WHERE y'"_qs}, {u"x where y'"_qs}},
        {u"AAAR3sAAEAAAACXAAB"_qs, {u"a\"b\\c"_qs}, {u"A\"B\\C"_qs}}};
    QTest::newRow("oracle: a set per row")
        << lists(Dialect(Dbms::Oracle).WriteParameters(rows, false))
        << QList<QStringList>{{u"x where y'"_qs, u"A\"B\\C"_qs},
                              {u"AAAR3sAAEAAAACXAAA"_qs, u"AAAR3sAAEAAAACXAAB"_qs},
                              {u"X WHERE y'"_qs, u"a\"b\\c"_qs}};
    QTest::newRow("stand-in: arrays, partitions")
        << lists(Dialect(Dbms::PostgreSQL)
                     .WriteParameters({{u"16441:(0,1)"_qs, {u"it's "_qs}, {u"IT'S "_qs}},
                                       {u"16450:(0,2)"_qs, {u"a\"b\\c"_qs}, {u"A\"B\\C"_qs}}},
                                      false))
        << QList<QStringList>{{u"{\"(0,1)\",\"(0,2)\"}"_qs},
                              {u"{\"16441\",\"16450\"}"_qs},
                              {u"{\"it's \",\"a\\\"b\\\\c\"}"_qs},
                              {u"{\"IT'S \",\"A\\\"B\\\\C\"}"_qs}};
    QTest::newRow("stand-in: by key")
        << lists(Dialect(Dbms::PostgreSQL, {.keyColumn = u"id"_qs, .keyType = u"integer"_qs})
                     .WriteParameters({{u"=7"_qs, {u"x"_qs}, {u"X"_qs}}}, true))
        << QList<QStringList>{{u"{\"7\"}"_qs}, {u"{\"x\"}"_qs}, {u"{\"X\"}"_qs}};
    QTest::newRow("oracle, two columns: the one left alone is NULL")
        << lists(Dialect(Dbms::Oracle)
                     .WriteParameters({{u"R1"_qs, {u"x"_qs, QString()}, {u"X"_qs, QString()}}},
                                      false))
        << QList<QStringList>{{u"X"_qs}, {QString()}, {u"R1"_qs}, {u"x"_qs},
                              {u"x"_qs}, {QString()}, {QString()}};
    // U+023A is two bytes in UTF-8, its lower case U+2C65 three: padded, CHAR(4 BYTE) overflows.
    db::Connection unopened;
    const GroupWriter padded(unopened, Dialect(Dbms::Oracle), {u"T"_qs, {u"C"_qs}, {true}}, false,
                             nullptr, {}, {});
    std::vector<PendingRow> pending{
        {0, u"R1"_qs, {{QVariant(u"\u023A "_qs), u"\u023A "_qs, u"\u2C65 "_qs}}, 146},
        {1, u"R2"_qs, {{QVariant(u"A  "_qs), u"A  "_qs, u"a  "_qs}}, 146}};
    QTest::newRow("oracle, CHAR: the new value unpadded, the guard as read")
        << lists(padded.Take(pending).parameters)
        << QList<QStringList>{
               {u"\u2C65"_qs, u"a"_qs}, {u"R1"_qs, u"R2"_qs}, {u"\u023A "_qs, u"A  "_qs}};
    QTest::newRow("stand-in undo: ctid, tableoid, the version the run's write made")
        << lists(Dialect(Dbms::PostgreSQL)
                     .WithRowVersions()
                     .WriteParameters({{u"16441:(0,1)@745"_qs, {u"X"_qs}, {u"x"_qs}}}, false))
        << QList<QStringList>{{u"{\"(0,1)\"}"_qs},
                              {u"{\"16441\"}"_qs},
                              {u"{\"745\"}"_qs},
                              {u"{\"X\"}"_qs},
                              {u"{\"x\"}"_qs}};
    QTest::newRow("oracle undo: ROWID, then the SCN")
        << lists(Dialect(Dbms::Oracle)
                     .WithRowVersions()
                     .WriteParameters({{u"AAAR3sAAEAAAACXAAA@8843105"_qs, {u"X"_qs}, {u"x"_qs}}},
                                      false))
        << QList<QStringList>{{u"x"_qs}, {u"AAAR3sAAEAAAACXAAA"_qs}, {u"8843105"_qs}, {u"X"_qs}};
    QTest::newRow("stand-in count-only: ctid and tableoid")
        << lists(Dialect(Dbms::PostgreSQL, {.countOnly = true})
                     .WriteParameters({{u"16441:(0,1)"_qs, {u"x"_qs}, {u"X"_qs}}}, false))
        << QList<QStringList>{{u"X"_qs}, {u"(0,1)"_qs}, {u"16441"_qs}, {u"x"_qs}};
}

void TestStatements::writeParameters() {
    QFETCH(QList<QStringList>, parameters);
    QFETCH(QList<QStringList>, expected);
    QCOMPARE(parameters, expected);
}

// What an error means for the rest of a run, by SQLSTATE on the stand-in (psqlODBC gives
// native code 1 for every server error) and by the ORA- number on Oracle.
void TestStatements::faultClasses_data() {
    QTest::addColumn<int>("dbms");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<int>("native");
    QTest::addColumn<bool>("dead");
    QTest::addColumn<int>("fault");
    const int pg = int(Dbms::PostgreSQL), ora = int(Dbms::Oracle);
    const int row = int(db::Fault::Row), lost = int(db::Fault::ConnectionLost),
              missing = int(db::Fault::MissingObject), cancelled = int(db::Fault::Cancelled);
    QTest::newRow("communication link failure") << pg << "08S01" << 1 << false << lost;
    QTest::newRow("terminated by an administrator") << pg << "57P01" << 1 << false << lost;
    QTest::newRow("server starting or stopping") << pg << "57P03" << 1 << false << lost;
    QTest::newRow("general error, connection dead") << pg << "HY000" << 1 << true << lost;
    QTest::newRow("general error, connection alive") << pg << "HY000" << 1 << false << row;
    QTest::newRow("cancelled") << pg << "57014" << 1 << false << cancelled;
    QTest::newRow("lock time-out") << pg << "55P03" << 1 << false << row;
    QTest::newRow("check constraint") << pg << "23514" << 1 << false << row;
    QTest::newRow("row-level security") << pg << "42501" << 1 << false << row;
    QTest::newRow("table missing") << pg << "42P01" << 1 << false << missing;
    QTest::newRow("column missing") << pg << "42703" << 1 << false << missing;
    QTest::newRow("ORA-03113 end-of-file on channel") << ora << "HY000" << 3113 << false << lost;
    QTest::newRow("ORA-03114 not connected") << ora << "HY000" << 3114 << false << lost;
    QTest::newRow("ORA-03135 connection lost contact") << ora << "HY000" << 3135 << false << lost;
    QTest::newRow("ORA-00028 session killed") << ora << "HY000" << 28 << false << lost;
    QTest::newRow("ORA-01012 not logged on") << ora << "HY000" << 1012 << false << lost;
    QTest::newRow("ORA-01089 immediate shutdown") << ora << "HY000" << 1089 << false << lost;
    QTest::newRow("ORA-01092 instance terminated") << ora << "HY000" << 1092 << false << lost;
    QTest::newRow("ORA-01033 starting or shutting down") << ora << "HY000" << 1033 << false << lost;
    QTest::newRow("ORA-01034 not available") << ora << "HY000" << 1034 << false << lost;
    QTest::newRow("ORA-02396 idle time exceeded") << ora << "HY000" << 2396 << false << lost;
    QTest::newRow("ORA-00942 no such table") << ora << "42S02" << 942 << false << missing;
    QTest::newRow("ORA-00904 invalid identifier") << ora << "42S22" << 904 << false << missing;
    QTest::newRow("ORA-01013 cancel") << ora << "HY008" << 1013 << false << cancelled;
    QTest::newRow("ORA-02290 check constraint") << ora << "23000" << 2290 << false << row;
    QTest::newRow("ORA-12899 value too large") << ora << "HY000" << 12899 << false << row;
    QTest::newRow("ORA-00001 unique") << ora << "23000" << 1 << false << row;
}

void TestStatements::faultClasses() {
    QFETCH(int, dbms);
    QFETCH(QString, sqlState);
    QFETCH(int, native);
    QFETCH(bool, dead);
    QFETCH(int, fault);
    const db::Error error(u"failure"_qs, sqlState, dead, native);
    QCOMPARE(int(Dialect(Dbms(dbms)).Classify(error)), fault);
}

// How a failed SQLMoreResults after a write ends: only a driver that cannot look for further
// results means there are none; anything else is the write's own failure.
void TestStatements::moreResults_data() {
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<bool>("end");
    QTest::newRow("optional feature not implemented") << "HYC00" << true;
    QTest::newRow("driver without the function") << "IM001" << true;
    QTest::newRow("general error") << "HY000" << false;
    QTest::newRow("communication link failure") << "08S01" << false;
    QTest::newRow("constraint") << "23000" << false;
}

void TestStatements::moreResults() {
    QFETCH(QString, sqlState);
    QFETCH(bool, end);
    QCOMPARE(db::odbc::NoMoreResults(sqlState), end);
}

// What Oracle's catalogue statements ask, condition by condition (only as text here).
void TestStatements::oracleCatalogue_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("condition");
    const QString facts = db::oracle::FactsStatement(), key = db::oracle::KeyStatement();
    QTest::newRow("update triggers whoever owns them")
        << facts << u"FROM ALL_TRIGGERS g WHERE g.TABLE_OWNER = USER AND g.TABLE_NAME"_qs;
    QTest::newRow("read only") << facts << u"NVL(u.READ_ONLY, 'NO') = 'NO'"_qs;
    QTest::newRow("overflow segment") << facts << u"NVL(u.IOT_TYPE, 'IOT') <> 'IOT_OVERFLOW'"_qs;
    QTest::newRow("nested table") << facts << u"NVL(u.NESTED, 'NO') = 'NO'"_qs;
    QTest::newRow("recycle bin") << facts << u"NVL(u.DROPPED, 'NO') = 'NO'"_qs;
    QTest::newRow("external table")
        << facts << u"NOT EXISTS (SELECT 1 FROM USER_EXTERNAL_TABLES"_qs;
    QTest::newRow("materialized view")
        << facts << u"USER_MVIEWS m WHERE m.CONTAINER_NAME = u.TABLE_NAME AND m.UPDATABLE = 'N'"_qs;
    QTest::newRow("national character column")
        << facts << u"CASE WHEN c.DATA_TYPE IN ('NCHAR', 'NVARCHAR2') THEN 1 ELSE 0 END FROM"_qs;
    QTest::newRow("key: character or integer only")
        << key
        << u"AND (t.DATA_TYPE IN ('CHAR', 'VARCHAR2', 'NCHAR', 'NVARCHAR2') OR (t.DATA_TYPE = "
           "'NUMBER' AND t.DATA_SCALE = 0)"_qs;
}

void TestStatements::oracleCatalogue() {
    QFETCH(QString, statement);
    QFETCH(QString, condition);
    QVERIFY2(statement.contains(condition), qPrintable(statement));
}

// Microsoft's old driver for Oracle, told by its SQL_DRIVER_NAME, cannot write NCHAR or
// NVARCHAR2; Oracle's own driver under the same registered name can.
void TestStatements::nationalTextDrivers_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("lacks");
    QTest::newRow("Microsoft's") << "MSORCL32.DLL" << true;
    QTest::newRow("Microsoft's, lower case") << "msorcl32.dll" << true;
    QTest::newRow("Oracle's on Windows") << "SQORA32.DLL" << false;
    QTest::newRow("Oracle's on Linux") << "libsqora.so.19.1" << false;
    QTest::newRow("psqlODBC") << "psqlodbcw.so" << false;
}

void TestStatements::nationalTextDrivers() {
    QFETCH(QString, driver);
    QFETCH(bool, lacks);
    QCOMPARE(db::oracle::LacksNationalText(driver), lacks);
}

// The SQL type a marker is bound with, and when values go in the long form: by the bytes the
// longest takes in the character set the database converts it to.
void TestStatements::bindings_data() {
    QTest::addColumn<bool>("national");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<int>("size");
    const QString ligatures = QString(1334, QChar(0x2C65)); // 4,002 bytes in UTF-8
    QTest::newRow("VARCHAR2, AL32UTF8") << false << "AL32UTF8" << u"\u2C65b"_qs << SQL_VARCHAR << 4;
    QTest::newRow("VARCHAR2, AL32UTF8, over 4,000 bytes")
        << false << "AL32UTF8" << ligatures << SQL_LONGVARCHAR << 4002;
    QTest::newRow("VARCHAR2, WE8MSWIN1252, 4,000 characters")
        << false << "WE8MSWIN1252" << QString(4000, QChar(0xE9)) << SQL_VARCHAR << 4000;
    QTest::newRow("NVARCHAR2, AL16UTF16, 2,001 characters")
        << true << "AL16UTF16" << QString(2001, u'a') << SQL_WLONGVARCHAR << 2001;
    QTest::newRow("NVARCHAR2, AL16UTF16")
        << true << "AL16UTF16" << ligatures << SQL_WVARCHAR << 1334;
    QTest::newRow("set not read: 4,000 units")
        << true << "" << QString(4000, u'a') << SQL_WVARCHAR << 4000;
    QTest::newRow("set not read: 4,001 units")
        << true << "" << QString(4001, u'a') << SQL_WLONGVARCHAR << 4001;
}

void TestStatements::bindings() {
    QFETCH(bool, national);
    QFETCH(QString, set);
    QFETCH(QString, value);
    QFETCH(int, sqlType);
    QFETCH(int, size);
    const db::Binding binding =
        db::BindingOf({national, db::charset::WidthOf(set)}, {u"x"_qs, value, QString()});
    QCOMPARE(binding.sqlType, sqlType);
    QCOMPARE(binding.size, quint64(size));
}

// Each parameter of a write bound with the type of what it is compared with or written
// into: V for SQL_VARCHAR (CHAR, VARCHAR2, ROWID text, an integer key), W for SQL_WVARCHAR
// (NCHAR, NVARCHAR2), in WriteParameters' order.
void TestStatements::writeBindTypes_data() {
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("expected");
    const auto letters = [](const std::vector<db::ParameterType>& types) {
        QString text;
        for (const db::ParameterType& type : types)
            text += type.national ? u'W' : u'V';
        return text;
    };
    const auto oracleKeyed = [](const QString& key, const QString& type) {
        return Dialect(Dbms::Oracle, {.keyColumn = key,
                                      .keyType = type,
                                      .charset = u"AL32UTF8"_qs,
                                      .ncharset = u"AL16UTF16"_qs});
    };
    const Dialect oracle = oracleKeyed({}, {});
    const db::WriteTarget plain{u"T"_qs, {u"C"_qs}, {false}, {false}},
        national{u"T"_qs, {u"C"_qs}, {false}, {true}},
        two{u"T"_qs, {u"A"_qs, u"B"_qs}, {false, false}, {false, true}},
        unknown{u"T"_qs, {u"C"_qs}, {false}};
    QTest::newRow("VARCHAR2 by ROWID")
        << letters(oracle.WriteParameterTypes(plain, false)) << u"VVV"_qs;
    QTest::newRow("NVARCHAR2 by ROWID")
        << letters(oracle.WriteParameterTypes(national, false)) << u"WVW"_qs;
    QTest::newRow("VARCHAR2 by VARCHAR2 key")
        << letters(oracleKeyed(u"CODE"_qs, u"VARCHAR2"_qs).WriteParameterTypes(plain, true))
        << u"VVV"_qs;
    QTest::newRow("VARCHAR2 by NVARCHAR2 key")
        << letters(oracleKeyed(u"CODE"_qs, u"NVARCHAR2"_qs).WriteParameterTypes(plain, true))
        << u"VWV"_qs;
    QTest::newRow("VARCHAR2 by integer key")
        << letters(oracleKeyed(u"ID"_qs, u"NUMBER"_qs).WriteParameterTypes(plain, true))
        << u"VVV"_qs;
    QTest::newRow("VARCHAR2 and NVARCHAR2")
        << letters(oracle.WriteParameterTypes(two, false)) << u"VWVVVWW"_qs;
    QTest::newRow("columns not described: national")
        << letters(oracle.WriteParameterTypes(unknown, false)) << u"WVW"_qs;
    QTest::newRow("stand-in count-only: ctid and tableoid")
        << letters(Dialect(Dbms::PostgreSQL, {.countOnly = true}).WriteParameterTypes(plain, false))
        << u"VVVV"_qs;
    QTest::newRow("stand-in join: arrays as before")
        << letters(Dialect(Dbms::PostgreSQL).WriteParameterTypes(plain, false)) << QString();
}

void TestStatements::writeBindTypes() {
    QFETCH(QString, types);
    QFETCH(QString, expected);
    QCOMPARE(types, expected);
}

// Case conversion can produce a character the database's set lacks (U+00B5 becomes U+039C,
// U+00FF becomes U+0178); where the set is known the check is exact, elsewhere a character
// outside ASCII the old text lacks is taken for one the set may lack.
void TestStatements::unheldCharacters_data() {
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("old");
    QTest::addColumn<int>("at"); // in the upper-cased text; -1: held
    const QString micro = u"a\u00B5"_qs, yDiaeresis = u"\u00FFb"_qs;
    QTest::newRow("ISO-8859-1: micro") << "WE8ISO8859P1" << micro << 1;
    QTest::newRow("ISO-8859-1: y diaeresis") << "WE8ISO8859P1" << yDiaeresis << 0;
    QTest::newRow("CP1252: micro") << "WE8MSWIN1252" << micro << 1;
    QTest::newRow("CP1252: y diaeresis") << "WE8MSWIN1252" << yDiaeresis << -1;
    QTest::newRow("ISO-8859-15: micro") << "WE8ISO8859P15" << micro << 1;
    QTest::newRow("ISO-8859-15: y diaeresis") << "WE8ISO8859P15" << yDiaeresis << -1;
    QTest::newRow("stand-in LATIN1: micro") << "LATIN1" << micro << 1;
    QTest::newRow("ISO-8859-1: e acute") << "WE8ISO8859P1" << u"\u00E9"_qs << -1;
    QTest::newRow("US7ASCII: e acute") << "US7ASCII" << u"\u00E9"_qs << 0;
    QTest::newRow("AL32UTF8") << "AL32UTF8" << micro << -1;
    QTest::newRow("stand-in UTF8") << "UTF8" << micro << -1;
    QTest::newRow("no table: a new character") << "EE8ISO8859P2" << u"\u00E9"_qs << 0;
    QTest::newRow("no table: a character the row held")
        << "EE8ISO8859P2" << u"\u00C9\u00E9"_qs << -1;
}

void TestStatements::unheldCharacters() {
    QFETCH(QString, set);
    QFETCH(QString, old);
    QFETCH(int, at);
    QCOMPARE(db::charset::Unheld(set, Case::Convert(CaseMode::Upper, old), old), qsizetype(at));
}

// A read that fails may start again where its snapshot is too old or its connection was lost.
void TestStatements::readReopens_data() {
    QTest::addColumn<int>("dbms");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<int>("native");
    QTest::addColumn<bool>("reopens");
    const int pg = int(Dbms::PostgreSQL), ora = int(Dbms::Oracle);
    QTest::newRow("ORA-01555 snapshot too old") << ora << "HY000" << 1555 << true;
    QTest::newRow("ORA-03113 end-of-file on channel") << ora << "HY000" << 3113 << true;
    QTest::newRow("ORA-01013 cancel") << ora << "HY008" << 1013 << false;
    QTest::newRow("ORA-00942 no such table") << ora << "42S02" << 942 << false;
    QTest::newRow("terminated by an administrator") << pg << "57P01" << 1 << true;
    QTest::newRow("cancelled") << pg << "57014" << 1 << false;
}

void TestStatements::readReopens() {
    QFETCH(int, dbms);
    QFETCH(QString, sqlState);
    QFETCH(int, native);
    QFETCH(bool, reopens);
    QCOMPARE(Dialect(Dbms(dbms)).ReadCanReopen(db::Error(u"failure"_qs, sqlState, false, native)),
             reopens);
}

// The rows a read will have read in all, corrected from the stand-in's row addresses as the read
// passes the table's pages: at each end of a slice the share of the rows read stays within 20
// points of the true share. The table is two parts of even density.
void TestStatements::readTotal_data() {
    QTest::addColumn<qint64>("pages");
    QTest::addColumn<double>("density"); // rows a page
    QTest::addColumn<qint64>("morePages");
    QTest::addColumn<double>("moreDensity");
    QTest::addColumn<qint64>("estimate");
    // 2M rows; the database, without statistics, guesses 50 rows a page.
    QTest::newRow("never analysed") << 13334LL << 150.0 << 0LL << 0.0 << 13334LL * 50;
    QTest::newRow("95% deleted without VACUUM") << 10000LL << 7.5 << 0LL << 0.0 << 1500000LL;
    QTest::newRow("accurate, denser first half") << 2500LL << 120.0 << 2500LL << 80.0 << 500000LL;
    QTest::newRow("tiny table") << 3LL << 40.0 << 0LL << 0.0 << 120LL;
    // VACUUM leaves a table's emptied leading pages in place.
    QTest::newRow("oldest half deleted, vacuumed") << 5000LL << 0.0 << 5000LL << 100.0 << 500000LL;
}

void TestStatements::readTotal() {
    QFETCH(qint64, pages);
    QFETCH(double, density);
    QFETCH(qint64, morePages);
    QFETCH(double, moreDensity);
    QFETCH(qint64, estimate);
    const qint64 first = qint64(double(pages) * density);
    const qint64 rows = first + qint64(double(morePages) * moreDensity);
    // Page p holds rows floor(density * p) up to floor(density * (p + 1)).
    const auto place = [&](qint64 row) {
        const qint64 page =
            row < first ? qint64(std::ceil(double(row + 1) / density)) - 1
                        : pages + qint64(std::ceil(double(row - first + 1) / moreDensity)) - 1;
        return Dialect(Dbms::PostgreSQL).Place(QString("16441:(%1,3)").arg(page));
    };
    ReadTotal total(estimate, pages + morePages);
    const qint64 slice = std::min<qint64>(1000, rows / 20);
    for (qint64 read = 0; read < rows; read += slice) {
        const qint64 through = std::min(read + slice, rows);
        total.Read(through, place(0), place(through - 1));
        for (const qint64 row : {read, through - 1}) {
            const double shown = double(row) / double(total.Total());
            QVERIFY2(std::abs(shown - double(row) / double(rows)) <= 0.2,
                     qPrintable(QString("row %1 of %2 shown as %3").arg(row).arg(rows).arg(shown)));
        }
    }
}

void TestStatements::dialectStatements() {
    QFETCH(QString, statement);
    QFETCH(QString, expected);

    QCOMPARE(statement, expected);
}

QTEST_APPLESS_MAIN(TestStatements)
#include "tst_statements.moc"
