#include "journal/row_statement.h"

#include "journal/run_journal.h"
#include "journal/sqlite_connection.h"

#include <QSqlDriver>
#include <sqlite3.h>

namespace journal {

namespace {

QString Reason(sqlite3* database) {
    return QString::fromUtf8(sqlite3_errmsg(database));
}

} // namespace

RowStatement::RowStatement(SqliteConnection& connection, const char* sql) {
    const QVariant handle = connection.Database().driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        database_ = *static_cast<sqlite3* const*>(handle.constData());
    if (!database_)
        throw Error(QStringLiteral("the journal's SQLite connection has no handle"));
    if (sqlite3_prepare_v3(database_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr) !=
        SQLITE_OK)
        throw Error(Reason(database_));
}

RowStatement::~RowStatement() {
    sqlite3_finalize(statement_);
}

void RowStatement::Bind(int index, qint64 value) {
    sqlite3_bind_int64(statement_, index, value);
}

void RowStatement::Bind(int index, const QString& text) {
    if (text.isNull())
        sqlite3_bind_null(statement_, index);
    else
        sqlite3_bind_text16(statement_, index, text.utf16(), int(text.size() * 2), SQLITE_STATIC);
}

void RowStatement::Run(const char* what) {
    const int result = sqlite3_step(statement_);
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    if (result != SQLITE_DONE)
        throw Error(QStringLiteral("%1: %2").arg(QLatin1String(what), Reason(database_)));
}

qint64 RowStatement::Number(const char* what, qint64 none) {
    const qint64 number = First(what) ? NumberAt(0) : none;
    Reset();
    return number;
}

bool RowStatement::First(const char* what) {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    Reset();
    if (result != SQLITE_DONE)
        throw Error(QStringLiteral("%1: %2").arg(QLatin1String(what), Reason(database_)));
    return false;
}

qint64 RowStatement::NumberAt(int column) const {
    return sqlite3_column_int64(statement_, column);
}

QString RowStatement::TextAt(int column) const {
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement_, column));
    if (!text)
        return {};
    const int units = sqlite3_column_bytes16(statement_, column) / 2;
    return units == 0 ? QString(QLatin1String("")) : QString::fromUtf16(text, units);
}

void RowStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

qint64 RowStatement::Changes() const {
    return sqlite3_changes64(database_);
}

} // namespace journal
