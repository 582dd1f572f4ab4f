#include "casing/name_case.h"

#include <QChar>
#include <algorithm>
#include <initializer_list>

namespace Case {

namespace {

// ---- Reading the text ---------------------------------------------------------------------

// One code point of a UTF-16 text; a lone surrogate is one of its own (and no letter).
struct CodePoint {
    char32_t value;
    int units;
};

CodePoint At(const char16_t* text, qsizetype i, qsizetype length) {
    const char16_t unit = text[i];
    if (QChar::isHighSurrogate(unit) && i + 1 < length && QChar::isLowSurrogate(text[i + 1]))
        return {QChar::surrogateToUcs4(unit, text[i + 1]), 2};
    return {unit, 1};
}

// The straight and the typographic apostrophe, and the modifier letter apostrophe that some
// keyboards type for it (which would otherwise count as a letter).
bool IsApostrophe(char32_t c) {
    return c == u'\'' || c == 0x2019 || c == 0x02BC;
}

bool IsLetter(char32_t c) {
    if (c < 0x80)
        return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
    return !IsApostrophe(c) && QChar::isLetter(c);
}

bool IsDigit(char32_t c) {
    return c < 0x80 ? c >= u'0' && c <= u'9' : QChar::isDigit(c);
}

// A combining mark belongs to the letter before it: "E" + U+0301 does not end a word.
bool IsWordPart(char32_t c) {
    return IsLetter(c) || IsDigit(c) || (c >= 0x80 && QChar::isMark(c));
}

bool IsHyphen(char16_t unit) {
    return unit == u'-' || unit == 0x2010 || unit == 0x2011;
}

// Where one name of a value ends and the next begins: "Smith, John", "a/b", "(van Dijk)", a
// value of several lines or tab-separated fields. A space or hyphen joins parts of one name.
bool EndsName(char16_t unit) {
    switch (unit) {
    case u'\n':
    case u'\r':
    case u'\t':
    case u',':
    case u';':
    case u'/':
    case u'(':
    case u')':
    case u'[':
    case u']':
        return true;
    default:
        return false;
    }
}

// The end of the word starting at `start`: letters, marks and digits, with an apostrophe
// between two of them ("O'Brien", "don't") inside the word.
qsizetype WordEnd(const char16_t* text, qsizetype start, qsizetype length) {
    qsizetype i = start;
    while (i < length) {
        const CodePoint c = At(text, i, length);
        if (IsWordPart(c.value) || (IsApostrophe(c.value) && i + 1 < length &&
                                    IsWordPart(At(text, i + 1, length).value))) {
            i += c.units;
        } else {
            break;
        }
    }
    return i;
}

// ---- Mapping letters ----------------------------------------------------------------------

// Writes `mapped` over the letter at `at` where it takes as many units; a mapping that would
// change the length (none in Unicode's simple mappings today) leaves the letter as it is.
void Put(char16_t* out, qsizetype at, const CodePoint& original, char32_t mapped) {
    // A mark keeps its form even where it has a case mapping (U+0345 would become a letter).
    if (mapped == original.value || !IsLetter(original.value) ||
        QChar::requiresSurrogates(mapped) != (original.units == 2))
        return;
    if (original.units == 2) {
        out[at] = QChar::highSurrogate(mapped);
        out[at + 1] = QChar::lowSurrogate(mapped);
    } else {
        out[at] = char16_t(mapped);
    }
}

enum class Mapping { Lower, Upper };

// Maps the code point at `at` of the word being written; returns its length in units.
int MapAt(char16_t* out, qsizetype at, qsizetype end, Mapping mapping) {
    const CodePoint c = At(out, at, end);
    switch (mapping) {
    case Mapping::Lower:
        Put(out, at, c, QChar::toLower(c.value));
        break;
    case Mapping::Upper:
        Put(out, at, c, QChar::toUpper(c.value));
        break;
    }
    return c.units;
}

// Writes the title case of the code point at `at` as the input has it: a capital keeps what
// lower-casing would lose ("İstanbul", not "Istanbul").
void TitleFrom(const char16_t* in, char16_t* out, qsizetype at, qsizetype end) {
    Put(out, at, At(out, at, end), QChar::toTitleCase(At(in, at, end).value));
}

void MapRange(char16_t* out, qsizetype from, qsizetype end, Mapping mapping) {
    for (qsizetype i = from; i < end;)
        i += MapAt(out, i, end, mapping);
}

// The position of the code point after the one at `at`.
qsizetype Next(const char16_t* text, qsizetype at, qsizetype end) {
    return at + At(text, at, end).units;
}

// A Greek sigma that ends a word takes the final form; lower-casing a capital sigma alone
// always gives the medial "σ" ("ΟΔΥΣΣΕΥΣ" is "Οδυσσευς", not "Οδυσσευσ"). Before an
// apostrophe (an elision, "σ'αγαπώ") it stays medial.
void FinalSigma(char16_t* out, qsizetype start, qsizetype end) {
    if (end - start >= 2 && out[end - 1] == 0x03C3)
        out[end - 1] = 0x03C2;
}

// ---- Comparing words ----------------------------------------------------------------------

// A word as the rules compare it with their lists: each unit by NameKeyUnit, so that every
// form the conversion can give a word compares alike ("ı" capitalised is "I", whose lower case
// is "i") and a second conversion reads a word as the first did. Only the first units are
// kept: no listed word is longer.
class WordKey {
public:
    WordKey() = default;
    WordKey(const char16_t* word, qsizetype size) : size_(size) {
        const qsizetype kept = std::min(size, KeptUnits);
        for (qsizetype i = 0; i < kept; ++i)
            units_[i] = NameKeyUnit(word[i]);
    }
    // The whole word; empty for a longer one, which is in no list.
    QStringView Whole() const {
        return size_ <= KeptUnits ? QStringView(units_, size_) : QStringView();
    }
    // As much of the word's start as is kept.
    QStringView Start() const { return QStringView(units_, std::min(size_, KeptUnits)); }
    qsizetype Size() const { return size_; }

private:
    static constexpr qsizetype KeptUnits = 16;
    char16_t units_[KeptUnits] = {};
    qsizetype size_ = 0;
};

// ---- Word lists ---------------------------------------------------------------------------

bool IsOneOf(QStringView word, std::initializer_list<QStringView> words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The particles of Dutch, German, French, Spanish, Portuguese, Italian and Scandinavian names
// and of the places named after them ("Ludwig van Beethoven", "Rue de la Paix", "Via dei
// Fori", "Hilma af Klint", "Ortega y Gasset", "Isle of Man", "Newcastle upon Tyne"): lower inside a
// name, capital where it starts ("Van Gogh", "De la Cruz", as those names are written alone).
constexpr std::initializer_list<QStringView> kParticles = {
    u"van",   u"von",   u"der",   u"den", u"de",  u"da", u"di",  u"du",  u"la",
    u"le",    u"del",   u"della", u"dos", u"das", u"do", u"des", u"dei", u"degli",
    u"delle", u"dello", u"ter",   u"zu",  u"af",  u"y",  u"of",  u"upon"};

bool IsParticle(QStringView word) {
    return IsOneOf(word, kParticles);
}

// "los" and "las" are particles only after another one ("de los Santos", "de las Casas"):
// alone they start names and places ("Las Vegas", "North Las Vegas").
bool IsSecondParticle(QStringView word, QStringView previous) {
    return IsOneOf(word, {u"los", u"las"}) && IsParticle(previous);
}

// The small words that join a hyphenated place name: "Stoke-on-Trent",
// "Newcastle-upon-Tyne", "Aix-en-Provence", "Boulogne-sur-Mer", "Stow-on-the-Wold".
bool IsHyphenJoiner(QStringView word) {
    return IsOneOf(word, {u"on", u"upon", u"under", u"in", u"by", u"the", u"super", u"sur", u"sous",
                          u"en", u"l\u00E8s", u"les", u"aux", u"au", u"et", u"am", u"an", u"im",
                          u"ob"}) ||
           IsParticle(word);
}

// Regnal and generational numbers: "Henry VIII", "John Smith III". Only these whole words,
// so that names and words made of the same letters ("Liv", "Dix", "Mix", "Civic", "Vivi")
// stay words.
bool IsRomanNumeral(QStringView word) {
    return IsOneOf(word,
                   {u"ii", u"iii", u"iv", u"v", u"vi", u"vii", u"viii", u"ix", u"x", u"xi", u"xii",
                    u"xiii", u"xiv", u"xv", u"xvi", u"xvii", u"xviii", u"xix", u"xx"});
}

// Letters written in capitals after a name ("John Smith MBE", "Jane Doe MD") and the compass
// points of street addresses ("Main Street NW"); never the first word of a value ("Md Rahman").
bool IsUpperAfterAName(QStringView word) {
    return IsOneOf(word, {u"mbe", u"obe", u"cbe", u"kbe", u"dbe", u"qc", u"kc", u"mp", u"md",
                          u"dds", u"cpa", u"ne", u"nw", u"se", u"sw"});
}

// The ordinal endings after a number: English "1st", "22nd", "3rd", "4th", French "1er",
// "1re", "2e" is left out as it is also a flat's letter ("Flat 2E"); decades ("1950s").
bool IsOrdinalSuffix(QStringView digits, QStringView letters) {
    if (IsOneOf(letters,
                {u"st", u"nd", u"rd", u"th", u"er", u"re", u"\u00E8re", u"\u00E8me", u"eme"}))
        return true;
    return letters == u"s" && digits.endsWith(u'0');
}

// Scottish and Irish surnames written with a capital after "Mac". Only these: most words
// that start with "mac" are not such names ("Machine", "Macon", "Mack", "Macedonia"), and
// some names are written both ways (see the README).
bool IsMacSurname(QStringView word) {
    return IsOneOf(word, {u"macalister", u"macallister", u"macarthur",  u"macaulay",   u"macbain",
                          u"maccallum",  u"maccormack",  u"macdonald",  u"macdougall", u"macduff",
                          u"macfarlane", u"macgregor",   u"macinnes",   u"macintyre",  u"mackinnon",
                          u"maclachlan", u"maclean",     u"maclennan",  u"macleod",    u"macnab",
                          u"macneil",    u"macneill",    u"macpherson", u"macquarrie", u"macrae",
                          u"mactavish"});
}

// The one-letter (and Italian) prefixes after which an apostrophe is followed by a capital:
// "O'Brien", "D'Angelo", "L'Estrange", "Dell'Acqua", "Sant'Angelo". After other letters the
// apostrophe belongs to an elision or a possessive: "Don't", "It's", "John's".
bool IsApostrophePrefix(QStringView prefix) {
    return IsOneOf(prefix, {u"o", u"d", u"l", u"dell", u"sant"});
}

bool IsVowel(char16_t unit) {
    return QStringView(u"aeiouy\u00E1\u00E9\u00ED\u00F3\u00FA\u00E0\u00E8\u00EC\u00F2\u00F9"
                       u"\u00E4\u00EB\u00EF\u00F6\u00FC")
        .contains(QChar(unit));
}

// ---- Capitalising one word ----------------------------------------------------------------

// After "Ó", "Ní" and "Uí" an Irish surname that starts with a vowel takes a lower "h" before
// its capital: "Ó hAodha", "Ní hÉigeartaigh".
bool IrishAspiratedH(const WordKey& word, const WordKey& previous) {
    return word.Size() >= 3 && word.Start()[0] == u'h' && IsVowel(word.Start()[1].unicode()) &&
           IsOneOf(previous.Whole(), {u"\u00F3", u"n\u00ED", u"u\u00ED"});
}

// The Dutch "ij" is one letter: both halves are capitals at the start of a word ("IJssel",
// "IJmuiden"). Before a vowel it is an "i" and a "j" ("Ijeoma").
bool DutchIJ(const WordKey& word) {
    return word.Start().startsWith(u"ij") &&
           (word.Size() == 2 || !IsVowel(word.Start()[2].unicode()));
}

// The position of a capital inside a name, after its first letter: "McDonald", "MacArthur",
// "O'Brien"; -1 for none.
qsizetype InnerCapital(const char16_t* out, qsizetype start, qsizetype end, const WordKey& word) {
    if (word.Size() >= 3 && word.Start().startsWith(u"mc") &&
        IsLetter(At(out, start + 2, end).value))
        return start + 2; // "Mc" is always followed by a capital
    if (IsMacSurname(word.Whole()))
        return start + 3; // "Mac" only in the listed surnames
    for (qsizetype i = start + 1; i + 1 < end; ++i) {
        if (IsApostrophe(out[i])) {
            const QStringView prefix = word.Start().first(std::min(i - start, word.Start().size()));
            return i - start <= 4 && IsApostrophePrefix(prefix) ? i + 1 : -1;
        }
    }
    return -1;
}

// Capitalises a lower-cased word as a name: the first letter by its title case, then the
// capitals that names carry inside them.
void CapitaliseName(const char16_t* in, char16_t* out, qsizetype start, qsizetype end,
                    const WordKey& word, const WordKey& previous) {
    if (IrishAspiratedH(word, previous)) {
        TitleFrom(in, out, start + 1, end);
        return;
    }
    if (DutchIJ(word)) {
        out[start] = u'I';
        out[start + 1] = u'J';
        return;
    }
    const qsizetype inner = InnerCapital(out, start, end, word);
    TitleFrom(in, out, start, end);
    if (inner >= 0)
        TitleFrom(in, out, inner, end);
}

// A word that holds digits: an ordinal keeps its ending lower ("4th", "1950s"), any other
// code its letters upper ("SW1A", "12B", "M25").
void CaseNumberOrCode(char16_t* out, qsizetype start, qsizetype end, const WordKey& word) {
    qsizetype digitsEnd = start;
    while (digitsEnd < end && IsDigit(At(out, digitsEnd, end).value))
        digitsEnd = Next(out, digitsEnd, end);
    qsizetype lettersEnd = digitsEnd;
    while (lettersEnd < end && IsLetter(At(out, lettersEnd, end).value))
        lettersEnd = Next(out, lettersEnd, end);
    const QStringView key = word.Whole();
    if (digitsEnd > start && lettersEnd == end && !key.isEmpty() &&
        IsOrdinalSuffix(key.first(digitsEnd - start), key.sliced(digitsEnd - start)))
        return;
    MapRange(out, start, end, Mapping::Upper);
}

// What the words before this one tell about it.
struct WordPlace {
    bool nameStart;         // no word of the same name came before
    bool firstInText;       // no word at all came before
    bool afterLetterWord;   // the word before, in the same name, starts with a letter
    bool betweenHyphens;    // "-on-"
    bool afterOpeningQuote; // an apostrophe right before, with no word before it: "'s"
    WordKey previous;       // the word before in the same name, else none
};

void CaseWord(const char16_t* in, char16_t* out, qsizetype start, qsizetype end, const WordKey& key,
              const WordPlace& place, const NameExceptions& exceptions) {
    if (!exceptions.IsEmpty()) {
        const QString listed = exceptions.Find(QStringView(in + start, end - start));
        if (!listed.isNull()) {
            std::copy_n(QStringView(listed).utf16(), listed.size(), out + start);
            return;
        }
    }
    MapRange(out, start, end, Mapping::Lower);
    for (qsizetype i = start; i < end; i = Next(out, i, end)) {
        if (IsDigit(At(out, i, end).value)) {
            CaseNumberOrCode(out, start, end, key);
            return;
        }
    }
    if (!IsLetter(At(out, start, end).value))
        return; // a stray combining mark starts no word
    FinalSigma(out, start, end);
    const QStringView word = key.Whole();
    if (!place.nameStart && (IsParticle(word) || IsSecondParticle(word, place.previous.Whole())))
        return;
    if (place.betweenHyphens && IsHyphenJoiner(word))
        return;
    // The Dutch "'s-Hertogenbosch", "'t Hooft": the article's apostrophe opens the name.
    if (place.afterOpeningQuote && (word == u"s" || word == u"t"))
        return;
    if ((place.afterLetterWord && IsRomanNumeral(word)) ||
        (!place.firstInText && IsUpperAfterAName(word))) {
        MapRange(out, start, end, Mapping::Upper);
        return;
    }
    CapitaliseName(in, out, start, end, key, place.previous);
}

} // namespace

QString NameCase(const QString& text, const NameExceptions& exceptions) {
    const qsizetype length = text.size();
    QString result = text;
    if (length == 0)
        return result;
    const char16_t* in = QStringView(text).utf16();
    char16_t* out = reinterpret_cast<char16_t*>(result.data());
    WordPlace place{true, true, false, false, false, {}};
    qsizetype previousStart = -1, previousEnd = -1; // the word before in this name
    qsizetype i = 0;
    while (i < length) {
        const CodePoint c = At(in, i, length);
        if (!IsWordPart(c.value)) {
            if (EndsName(in[i])) {
                place.nameStart = true;
                previousEnd = -1;
                place.previous = {};
            }
            i += c.units;
            continue;
        }
        const qsizetype end = WordEnd(in, i, length);
        const WordKey key(in + i, end - i);
        place.afterLetterWord = previousEnd >= 0 && IsLetter(At(in, previousStart, length).value);
        place.betweenHyphens = previousEnd >= 0 && previousEnd == i - 1 && IsHyphen(in[i - 1]) &&
                               end + 1 < length && IsHyphen(in[end]) &&
                               IsWordPart(At(in, end + 1, length).value);
        place.afterOpeningQuote = i >= 1 && IsApostrophe(in[i - 1]) &&
                                  (i == 1 || !IsWordPart(At(in, i - 2, length).value));
        CaseWord(in, out, i, end, key, place, exceptions);
        place.nameStart = false;
        place.firstInText = false;
        place.previous = key;
        previousStart = i;
        previousEnd = end;
        i = end;
    }
    return result;
}

} // namespace Case
