#include "db/charset.h"

#include <algorithm>
#include <array>

namespace db::charset {

namespace {

bool Named(const QString& name, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* candidate) {
        return name.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0;
    });
}

enum class Table { None, Ascii, Latin1, Windows1252, Latin9 };

Table TableOf(const QString& name) {
    if (Named(name, {"US7ASCII"}))
        return Table::Ascii;
    if (Named(name, {"WE8ISO8859P1", "LATIN1"}))
        return Table::Latin1;
    if (Named(name, {"WE8MSWIN1252", "WIN1252"}))
        return Table::Windows1252;
    if (Named(name, {"WE8ISO8859P15", "LATIN9"}))
        return Table::Latin9;
    return Table::None;
}

// The characters Windows-1252 places at 0x80 to 0x9F.
constexpr std::array<char16_t, 27> Windows1252High = {
    0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0x017D, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
// ISO-8859-15 replaces eight characters of ISO-8859-1.
constexpr std::array<char16_t, 8> Latin9Dropped = {0xA4, 0xA6, 0xA8, 0xB4, 0xB8, 0xBC, 0xBD, 0xBE};
constexpr std::array<char16_t, 8> Latin9Added = {0x20AC, 0x0160, 0x0161, 0x017D,
                                                 0x017E, 0x0152, 0x0153, 0x0178};

template <std::size_t N> bool In(const std::array<char16_t, N>& set, char16_t c) {
    return std::find(set.begin(), set.end(), c) != set.end();
}

bool Holds(Table table, char16_t c) {
    switch (table) {
    case Table::Ascii:
        return c < 0x80;
    case Table::Latin1:
        return c <= 0xFF;
    case Table::Windows1252:
        return c < 0x80 || (c >= 0xA0 && c <= 0xFF) || In(Windows1252High, c);
    case Table::Latin9:
        return (c <= 0xFF && !In(Latin9Dropped, c)) || In(Latin9Added, c);
    case Table::None:
        break;
    }
    return c < 0x80;
}

} // namespace

Width WidthOf(const QString& name) {
    if (Named(name, {"AL32UTF8", "UTF8", "UTFE"}))
        return Width::Utf8;
    if (Named(name, {"AL16UTF16"}))
        return Width::Utf16;
    if (TableOf(name) != Table::None)
        return Width::Single;
    return Width::Unknown;
}

qsizetype Bytes(Width width, QStringView text) {
    switch (width) {
    case Width::Utf8: {
        qsizetype bytes = 0;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            // A surrogate pair is four bytes: two for each half.
            bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
        }
        return bytes;
    }
    case Width::Utf16:
        return 2 * text.size();
    case Width::Single:
    case Width::Unknown:
        break;
    }
    return text.size();
}

bool HoldsAll(const QString& name) {
    return Named(name, {"AL32UTF8", "UTF8", "UTFE", "AL16UTF16", "AL24UTFFSS", "SQL_ASCII"});
}

qsizetype Unheld(const QString& name, QStringView text, QStringView old) {
    if (HoldsAll(name))
        return -1;
    const Table table = TableOf(name);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (Holds(table, c.unicode()))
            continue;
        if (table == Table::None && old.contains(c))
            continue;
        return i;
    }
    return -1;
}

} // namespace db::charset
