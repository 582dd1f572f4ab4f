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

// UTF-16 to UTF-8 as SQLite itself translates a text bound as UTF-16 (a surrogate takes the
// unit after it as its pair, whatever that is; one at the end stands alone), so that the file
// holds the same bytes either way and every text reads back as before. Returns the end.
char* Utf8(QStringView text, char* out) {
    const char16_t* unit = text.utf16();
    const char16_t* const end = unit + text.size();
    while (unit < end) {
        char32_t c = *unit++;
        if (c < 0x80) {
            *out++ = char(c);
            continue;
        }
        if (c >= 0xD800 && c < 0xE000 && unit < end) {
            const char32_t c2 = *unit++;
            c = (c2 & 0x03FF) + ((c & 0x003F) << 10) + (((c & 0x03C0) + 0x0040) << 10);
        }
        if (c < 0x800) {
            *out++ = char(0xC0 + (c >> 6));
        } else if (c < 0x10000) {
            *out++ = char(0xE0 + (c >> 12));
            *out++ = char(0x80 + ((c >> 6) & 0x3F));
        } else {
            *out++ = char(0xF0 + ((c >> 18) & 0x07));
            *out++ = char(0x80 + ((c >> 12) & 0x3F));
            *out++ = char(0x80 + ((c >> 6) & 0x3F));
        }
        *out++ = char(0x80 + (c & 0x3F));
    }
    return out;
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
    // Bound as UTF-16, each text would be translated into a buffer of its own.
    if (text.isNull())
        sqlite3_bind_null(statement_, index);
    else
        texts_.emplace_back(index, text);
}

void RowStatement::BindTexts() {
    if (texts_.empty())
        return;
    std::size_t space = 0;
    for (const auto& [index, text] : texts_)
        space += std::size_t(text.size()) * 3; // at most 3 bytes per UTF-16 unit
    // Never an empty buffer: a null pointer would bind NULL rather than ''.
    if (utf8_.size() <= space)
        utf8_.resize(space + 1);
    char* out = utf8_.data();
    for (const auto& [index, text] : texts_) {
        char* const end = Utf8(text, out);
        sqlite3_bind_text(statement_, index, out, int(end - out), SQLITE_STATIC);
        out = end;
    }
    texts_.clear();
}

void RowStatement::Run(const char* what) {
    BindTexts();
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
    BindTexts();
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
    texts_.clear();
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

qint64 RowStatement::Changes() const {
    return sqlite3_changes64(database_);
}

} // namespace journal
