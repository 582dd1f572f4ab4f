#pragma once

#include "casing/name_exceptions.h"

#include <QString>
#include <QStringView>

// Name Case: the case of people's names and addresses, for data typed in capitals.
//
// The text is read as words: runs of letters, combining marks and digits, with an apostrophe
// inside a word belonging to it. Everything else (spaces, tabs, line breaks, hyphens, slashes,
// commas, brackets, quotes) is kept exactly and ends a word. Each word is lower-cased and
// then, in this order:
//   - a word listed in the user's exceptions is written as listed;
//   - a word with digits is a number or a code: an ordinal ("4th", "22nd", "1950s") keeps
//     its letters lower, any other code ("SW1A", "12B", "M25") keeps them upper;
//   - a particle (van, von, de, da, di, du, la, le, del, della, dos, das, ...) stays lower
//     inside a name and is capitalised where the name starts;
//   - a joining word between two hyphens ("Stoke-on-Trent", "Aix-en-Provence") stays lower;
//   - a Roman numeral from II to XX after a word of the same name is upper ("Henry VIII"),
//     and so are letters after a name ("Jane Doe MD", "OBE") and compass points ("Main St NW");
//   - the elided Dutch article of "'s-Hertogenbosch" and "'t Hooft" stays lower;
//   - any other word is capitalised, with the capitals that names carry inside them:
//     "O'Brien", "D'Angelo", "McDonald", "MacArthur" (listed surnames only), "IJssel",
//     "Ó hAodha".
// A name starts at the start of the text and after a line break, tab, comma, semicolon,
// slash or bracket.
//
// Letters are cased by code point (also outside the Basic Multilingual Plane), the first
// letter of a word by its title case ("ǅ"), and a Greek sigma that ends a word becomes the
// final form ("Οδυσσευς"); combining marks keep their form. Every mapping is one code point
// for one of the same length, so the text keeps its length, and the conversion is
// idempotent. Titles and suffixes need no rule of their own: "Dr.", "Mrs", "St.", "Jr.".
namespace Case {

QString NameCase(const QString& text, const NameExceptions& exceptions = {});

} // namespace Case
