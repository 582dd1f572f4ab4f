#include "casing/case_rules.h"

#include "casing/ascii_case.h"
#include "casing/name_case.h"

#include <QLatin1StringView>
#include <stdexcept>

namespace Case {

namespace {

// Qt's per-character mapping keeps a character whose only mapping is longer than one unit
// ("ß", "ŉ") and leaves surrogates alone; BMP input always maps inside the BMP. ASCII, the
// bulk of most columns, is mapped here without Qt's table lookup.
char16_t UpperUnit(char16_t unit) {
    if (unit < 0x80) {
        return unit >= u'a' && unit <= u'z' ? char16_t(unit - 32) : unit;
    }
    return static_cast<char16_t>(QChar::toUpper(char32_t{unit}));
}

char16_t LowerUnit(char16_t unit) {
    if (unit < 0x80) {
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
    }
    return static_cast<char16_t>(QChar::toLower(char32_t{unit}));
}

bool IsWordSeparator(char16_t unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\r';
}

// Runs every unit of the text, in order, through mapUnit. The text is copied only once a
// unit actually changes, so text already in the wanted case costs no allocation.
template <typename MapUnit> QString MapUnits(const QString& text, MapUnit mapUnit) {
    const char16_t* in = QStringView(text).utf16();
    const qsizetype length = text.size();
    qsizetype i = 0;
    char16_t mapped = 0;
    for (; i < length; ++i) {
        mapped = mapUnit(in[i]);
        if (mapped != in[i]) {
            break;
        }
    }
    if (i == length) {
        return text;
    }
    QString result = text;
    char16_t* out = reinterpret_cast<char16_t*>(result.data()); // the one detach
    out[i] = mapped;
    for (++i; i < length; ++i) {
        out[i] = mapUnit(out[i]);
    }
    return result;
}

// The 16-bit position counter of ProperCase tops out before this length.
constexpr qsizetype kProperCaseLimit = 32767;

} // namespace

std::optional<CaseMode> MatchCaseMode(const QString& caseBoxText) {
    struct ModeWord {
        QLatin1StringView word;
        CaseMode mode;
    };
    static constexpr ModeWord kModeWords[] = {
        {QLatin1StringView("upper"), CaseMode::Upper},
        {QLatin1StringView("lower"), CaseMode::Lower},
        {QLatin1StringView("proper"), CaseMode::Proper},
        {QLatin1StringView("sentence"), CaseMode::Sentence},
    };
    const QString lowered = LowerCase(caseBoxText);
    for (const ModeWord& entry : kModeWords) {
        if (lowered.contains(entry.word)) {
            return entry.mode;
        }
    }
    return std::nullopt;
}

QString ModeText(CaseMode mode) {
    switch (mode) {
    case CaseMode::Upper:
        return QStringLiteral("UPPER CASE");
    case CaseMode::Lower:
        return QStringLiteral("lower case");
    case CaseMode::Proper:
        return QStringLiteral("Proper Case");
    case CaseMode::Sentence:
        return QStringLiteral("Sentence case");
    case CaseMode::Names:
        return QLatin1String(NameCaseText);
    }
    return {};
}

QString UpperCase(const QString& text) {
    return MapUnits(text, UpperUnit);
}

QString LowerCase(const QString& text) {
    return MapUnits(text, LowerUnit);
}

namespace {

QString ProperCaseAnyLength(const QString& text) {
    bool capitaliseNext = true;
    return MapUnits(text, [&capitaliseNext](char16_t unit) {
        const char16_t lowered = LowerUnit(unit);
        const char16_t result = capitaliseNext ? UpperUnit(lowered) : lowered;
        capitaliseNext = IsWordSeparator(result);
        return result;
    });
}

} // namespace

QString ProperCase(const QString& text) {
    if (text.size() >= kProperCaseLimit) {
        throw std::overflow_error("Overflow");
    }
    return ProperCaseAnyLength(text);
}

QString SentenceCase(const QString& text) {
    bool first = true;
    return MapUnits(text, [&first](char16_t unit) {
        const char16_t result = first ? UpperUnit(unit) : LowerUnit(unit);
        first = false;
        return result;
    });
}

QString Convert(CaseMode mode, const QString& text, const NameExceptions& exceptions) {
    switch (mode) {
    case CaseMode::Upper:
        return UpperCase(text);
    case CaseMode::Lower:
        return LowerCase(text);
    case CaseMode::Proper:
        return ProperCase(text);
    case CaseMode::Sentence:
        return SentenceCase(text);
    case CaseMode::Names:
        return NameCase(text, exceptions);
    }
    return text;
}

QString ConvertValue(CaseMode mode, const QString& text, const NameExceptions& exceptions) {
    if (std::optional<QString> ascii = ConvertAscii(mode, text)) {
        return *std::move(ascii);
    }
    return mode == CaseMode::Proper ? ProperCaseAnyLength(text) : Convert(mode, text, exceptions);
}

} // namespace Case
