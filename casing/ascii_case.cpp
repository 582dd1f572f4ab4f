#include "casing/ascii_case.h"

namespace Case {

namespace {

char16_t Upper(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - 32) : unit;
}

char16_t Lower(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
}

// The units after which Proper Case starts a word. None is a letter, so the general rules'
// test of the converted unit is the same test of the unit as it came.
bool IsWordSeparator(char16_t unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\r';
}

// Maps each unit by mapAt(units, i), which reads at most the unit before i: one pass finds
// whether the text is ASCII and whether anything changes, a second writes the copy.
template <typename MapAt> std::optional<QString> MapAscii(const QString& text, MapAt mapAt) {
    const char16_t* in = QStringView(text).utf16();
    const qsizetype length = text.size();
    char16_t allUnits = 0;
    bool changes = false;
    for (qsizetype i = 0; i < length; ++i) {
        allUnits |= in[i];
        changes |= mapAt(in, i) != in[i];
    }
    if (allUnits >= 0x80) {
        return std::nullopt;
    }
    if (!changes) {
        return text;
    }
    QString result(length, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    for (qsizetype i = 0; i < length; ++i) {
        out[i] = mapAt(in, i);
    }
    return result;
}

} // namespace

std::optional<QString> ConvertAscii(CaseMode mode, const QString& text) {
    switch (mode) {
    case CaseMode::Upper:
        return MapAscii(text, [](const char16_t* in, qsizetype i) { return Upper(in[i]); });
    case CaseMode::Lower:
        return MapAscii(text, [](const char16_t* in, qsizetype i) { return Lower(in[i]); });
    case CaseMode::Proper:
        return MapAscii(text, [](const char16_t* in, qsizetype i) {
            return i == 0 || IsWordSeparator(in[i - 1]) ? Upper(in[i]) : Lower(in[i]);
        });
    case CaseMode::Sentence:
        return MapAscii(text, [](const char16_t* in, qsizetype i) {
            return i == 0 ? Upper(in[i]) : Lower(in[i]);
        });
    case CaseMode::Names:
        break;
    }
    return std::nullopt;
}

} // namespace Case
