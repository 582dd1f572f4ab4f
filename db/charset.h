#pragma once

#include <QString>
#include <QStringView>

// The character sets a database stores text in, by the names Oracle (NLS_CHARACTERSET,
// NLS_NCHAR_CHARACTERSET) and PostgreSQL (server_encoding) give them.
namespace db::charset {

// How a set encodes characters, for the bytes a value takes in it.
enum class Width {
    Unknown, // counted in UTF-16 units
    Single,  // one byte a character
    Utf8,
    Utf16,
};
Width WidthOf(const QString& name);
qsizetype Bytes(Width width, QStringView text);

// The set holds every character: a Unicode set, or PostgreSQL's SQL_ASCII, which keeps bytes
// as they come.
bool HoldsAll(const QString& name);

// The place in `text` of the first character the set cannot hold, -1 when it holds them all.
// Where the program has no table of the set, a character outside ASCII that `old` lacks is
// taken for one it cannot hold.
qsizetype Unheld(const QString& name, QStringView text, QStringView old);

} // namespace db::charset
