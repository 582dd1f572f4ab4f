#pragma once

#include "casing/name_exceptions.h"

#include <QString>
#include <optional>

// The letter-case conversions and the reading of the case box's text. In the four cases of
// the case box a character is one UTF-16 code unit; no conversion changes the length of a text.
namespace Case {

// Names (Name Case, see name_case.h) is not in the case box: the field list's menu and the
// command line choose it.
enum class CaseMode { Upper, Lower, Proper, Sentence, Names };

// How a run's journal names Name Case, as it names the others by their case box texts.
inline constexpr auto NameCaseText = "Name Case";

// The case box text of a mode ("UPPER CASE", "lower case", "Proper Case", "Sentence case"),
// and NameCaseText for Name Case.
QString ModeText(CaseMode mode);

// The mode named by a case box text: the first of "upper", "lower", "proper", "sentence"
// found in the lowered text, or none.
std::optional<CaseMode> MatchCaseMode(const QString& caseBoxText);

// Simple one-for-one case mapping per code unit ("ß" stays "ß").
QString UpperCase(const QString& text);
QString LowerCase(const QString& text);

// Lower-cases the text and capitalises the first character and every character after a
// space, tab or carriage return. Throws std::overflow_error ("Overflow") for texts of
// 32,767 characters or more: the position counter is 16-bit.
QString ProperCase(const QString& text);

// First character upper-cased, the rest lower-cased.
QString SentenceCase(const QString& text);

// The conversion for a mode; Name Case keeps the exceptions' spellings (the others ignore
// them).
QString Convert(CaseMode mode, const QString& text, const NameExceptions& exceptions = {});

// The conversion of a stored value: as Convert, for a text of any length (a run converts
// every value; only the preview keeps ProperCase's limit).
QString ConvertValue(CaseMode mode, const QString& text, const NameExceptions& exceptions = {});

} // namespace Case
