// The statements of an Oracle database.
#include "db/dialect/oracle.h"
#include "db/error.h"
#include "db/sql_text.h"

#include <algorithm>

namespace db::oracle {

namespace {

QString Q(const QString& name) {
    return QuoteIdentifier(name);
}

// An integer key's text both ways, whatever NLS_NUMERIC_CHARACTERS says (38 digits, the most
// a NUMBER holds).
constexpr auto IntegerFormat = "'FM99999999999999999999999999999999999999'";

bool IntegerKey(const QString& keyType) {
    return keyType == QLatin1String("NUMBER");
}

// One row by its identity: the primary key, else the ROWID bound as text (physical and
// logical rowids alike). `versioned`: a ROWID may name a later row once its own is deleted;
// the row is the one written only where nothing changed it (nor its block) after the SCN
// read when the write committed.
QString RowByIdentity(const QString& key, const QString& keyType, bool versioned = false) {
    if (key.isEmpty())
        return QStringLiteral("ROWID = ?") +
               (versioned ? QLatin1String(" AND ORA_ROWSCN <= TO_NUMBER(?)") : QLatin1String(""));
    if (IntegerKey(keyType))
        return Q(key) + QLatin1String(" = TO_NUMBER(?, ") + QLatin1String(IntegerFormat) +
               QLatin1Char(')');
    return Q(key) + QLatin1String(" = ?");
}

} // namespace

// ROWID itself (ROWIDTOCHAR gives no logical rowid of an index-organized table), or the key.
QString Identity(const QString& key, const QString& keyType) {
    if (key.isEmpty())
        return QStringLiteral("ROWID");
    if (IntegerKey(keyType))
        return QLatin1String("'=' || TO_CHAR(") + Q(key) + QLatin1String(", ") +
               QLatin1String(IntegerFormat) + QLatin1Char(')');
    return QLatin1String("'=' || ") + Q(key);
}

QString CollateProbe() {
    return QStringLiteral("SELECT 1 FROM DUAL WHERE 'a' COLLATE BINARY = 'a'");
}

QString CharacterSetStatement() {
    return QStringLiteral(
        "SELECT (SELECT VALUE FROM NLS_DATABASE_PARAMETERS WHERE PARAMETER = "
        "'NLS_CHARACTERSET'), (SELECT VALUE FROM NLS_DATABASE_PARAMETERS WHERE PARAMETER = "
        "'NLS_NCHAR_CHARACTERSET') FROM DUAL");
}

bool LacksNationalText(const QString& driverName) {
    return driverName.startsWith(QLatin1String("msorcl"), Qt::CaseInsensitive);
}

QString KeyStatement() {
    // Only a key whose text does not depend on the session names rows: character data, or an
    // integer (written with an explicit format); a DATE, TIMESTAMP or fractional NUMBER key
    // would pass through NLS_DATE_FORMAT or NLS_NUMERIC_CHARACTERS, so such rows go by ROWID.
    // A key of several columns is only counted: its rows go by ROWID too.
    return QStringLiteral(
        "SELECT c.COLUMN_NAME, t.DATA_TYPE, (SELECT COUNT(*) FROM USER_CONS_COLUMNS x WHERE "
        "x.CONSTRAINT_NAME = k.CONSTRAINT_NAME) FROM USER_CONSTRAINTS k JOIN USER_CONS_COLUMNS "
        "c ON c.CONSTRAINT_NAME = k.CONSTRAINT_NAME JOIN USER_TAB_COLS t ON t.TABLE_NAME = "
        "k.TABLE_NAME AND t.COLUMN_NAME = c.COLUMN_NAME WHERE k.TABLE_NAME = ? AND "
        "k.CONSTRAINT_TYPE = 'P' AND c.POSITION = 1 AND (t.DATA_TYPE IN ('CHAR', 'VARCHAR2', "
        "'NCHAR', 'NVARCHAR2') OR (t.DATA_TYPE = 'NUMBER' AND t.DATA_SCALE = 0) OR (SELECT "
        "COUNT(*) FROM USER_CONS_COLUMNS y WHERE y.CONSTRAINT_NAME = k.CONSTRAINT_NAME) > 1)");
}

QString SizeStatement() {
    // NUM_ROWS and BLOCKS come from the last statistics (NULL where none were gathered); the
    // table's segments (one per partition; none before its first row) say how many blocks it
    // holds now. An index may bear the table's name: only table segments count.
    return QStringLiteral(
        "SELECT t.NUM_ROWS, t.BLOCKS, (SELECT SUM(s.BLOCKS) FROM USER_SEGMENTS s WHERE "
        "s.SEGMENT_NAME = t.TABLE_NAME AND s.SEGMENT_TYPE IN ('TABLE', 'TABLE PARTITION', "
        "'TABLE SUBPARTITION')) FROM USER_TABLES t WHERE t.TABLE_NAME = ?");
}

QString FactsStatement() {
    // Update triggers on the table whoever owns them; a table that cannot be written: read
    // only, an index-organized table's overflow segment, a nested table, in the recycle bin,
    // external, or the container of a materialized view that cannot be updated.
    return QStringLiteral(
        "SELECT CASE WHEN c.DATA_TYPE IN ('CHAR', 'VARCHAR2', 'NCHAR', 'NVARCHAR2') THEN 1 ELSE "
        "0 END, CASE WHEN c.VIRTUAL_COLUMN = 'YES' THEN 1 ELSE 0 END, CASE WHEN c.DATA_TYPE IN "
        "('CLOB', 'NCLOB', 'LONG') THEN 1 ELSE 0 END, (SELECT COUNT(*) FROM USER_TABLES u WHERE "
        "u.TABLE_NAME = c.TABLE_NAME), 1, (SELECT COUNT(*) FROM ALL_TRIGGERS g WHERE "
        "g.TABLE_OWNER = USER AND g.TABLE_NAME = c.TABLE_NAME AND g.TRIGGERING_EVENT LIKE "
        "'%UPDATE%'), (SELECT COUNT(*) FROM USER_TABLES u WHERE u.TABLE_NAME = c.TABLE_NAME AND "
        "NVL(u.READ_ONLY, 'NO') = 'NO' AND NVL(u.IOT_TYPE, 'IOT') <> 'IOT_OVERFLOW' AND "
        "NVL(u.NESTED, 'NO') = 'NO' AND NVL(u.DROPPED, 'NO') = 'NO' AND NOT EXISTS (SELECT 1 FROM "
        "USER_EXTERNAL_TABLES x WHERE "
        "x.TABLE_NAME = u.TABLE_NAME) AND NOT EXISTS (SELECT 1 FROM USER_MVIEWS m WHERE "
        "m.CONTAINER_NAME = u.TABLE_NAME AND m.UPDATABLE = 'N')), CASE WHEN c.DATA_TYPE IN "
        "('NCHAR', 'NVARCHAR2') THEN 1 ELSE 0 END FROM USER_TAB_COLS c WHERE c.TABLE_NAME = ? "
        "AND c.COLUMN_NAME = ?");
}

// One parameter set per row; only the count of rows written comes back. The session
// compares binary; a column's own collation (12.2 on) is overridden by COLLATE BINARY. With
// several columns, a NULL new value and guard leave a column as it is.
QString WriteStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                       bool collate, bool versioned) {
    const bool several = target.columns.size() > 1;
    QStringList sets, guards;
    for (const QString& name : target.columns) {
        const QString column = Q(name);
        sets.append(column + (several ? QStringLiteral(" = NVL(?, %1)").arg(column)
                                      : QStringLiteral(" = ?")));
        const QString guard =
            column + (collate ? QLatin1String(" COLLATE BINARY = ?") : QLatin1String(" = ?"));
        guards.append(several ? QStringLiteral("(? IS NULL OR %1)").arg(guard) : guard);
    }
    return QLatin1String("UPDATE ") + Q(target.table) + QLatin1String(" SET ") +
           sets.join(QLatin1String(", ")) + QLatin1String(" WHERE ") +
           RowByIdentity(key, keyType, versioned) + QLatin1String(" AND ") +
           guards.join(QLatin1String(" AND "));
}

QString ReadBackStatement(const WriteTarget& target, const QString& key, const QString& keyType) {
    return QLatin1String("SELECT ") + ColumnList(target.columns) + QLatin1String(" FROM ") +
           Q(target.table) + QLatin1String(" WHERE ") + RowByIdentity(key, keyType);
}

QString CommitMarkStatement(const WriteTarget& target, const QString& key, const QString& keyType) {
    // ORA_ROWSCN is never below the SCN of the commit that last changed the row. The current
    // SCN itself takes a privilege (DBMS_FLASHBACK, V$DATABASE) and TIMESTAMP_TO_SCN is only
    // approximate, maybe earlier.
    return QLatin1String("SELECT ORA_ROWSCN FROM ") + Q(target.table) + QLatin1String(" WHERE ") +
           RowByIdentity(key, keyType);
}

QString UnreachedStatement(const WriteTarget& target, const QString& key, const QString& keyType,
                           bool versioned) {
    return QLatin1String("SELECT ") +
           (versioned ? QLatin1String("CASE WHEN ORA_ROWSCN <= TO_NUMBER(?) THEN 1 ELSE 0 END")
                      : QLatin1String("1")) +
           QLatin1String(", ") + ColumnList(target.columns) + QLatin1String(" FROM ") +
           Q(target.table) + QLatin1String(" WHERE ") + RowByIdentity(key, keyType);
}

Fault Classify(const Error& error) {
    // ORA-03113, 03114, 03135: the connection ended; ORA-00028, 01012: the session was killed
    // or logged off; ORA-01089, 01092, 01033, 01034: the instance is shutting down, ended,
    // starting or gone; ORA-02396: the session idled past its limit. Oracle's driver reports
    // them as HY000.
    static constexpr int lost[] = {3113, 3114, 3135, 28, 1012, 1089, 1092, 1033, 1034, 2396};
    const int code = error.nativeCode();
    if (error.connectionLost() ||
        std::find(std::begin(lost), std::end(lost), code) != std::end(lost))
        return Fault::ConnectionLost;
    if (code == 942 || code == 904) // table or view does not exist; invalid identifier
        return Fault::MissingObject;
    if (code == 1013 || error.sqlState() == QLatin1String("HY008")) // user requested cancel
        return Fault::Cancelled;
    return Fault::Row;
}

} // namespace db::oracle
