#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

// The user's own spellings for Name Case: words such as "IBM", "MacArthur" or "PO", each
// written exactly as listed wherever it occurs as a whole word, whatever its case there.
namespace Case {

// A unit as Name Case compares words: the lower case of its upper case, so that every form
// the conversion can give a letter compares alike ("ı", "I" and "i"; "ſ", "S" and "s").
char16_t NameKeyUnit(char16_t unit);

class NameExceptions {
public:
    // Adds a word; a later spelling of the same word (ignoring case) replaces an earlier one.
    void Add(const QString& word);
    // The listed spelling of `word`, compared ignoring case; null when it is not listed.
    QString Find(QStringView word) const;
    bool IsEmpty() const { return byLowered_.isEmpty(); }
    qsizetype Size() const { return byLowered_.size(); }

private:
    // Keyed by the word's units by NameKeyUnit, so a match is as long as the word.
    QHash<QString, QString> byLowered_;
};

// The words of a UTF-8 text, one a line; blank lines and the white space around a word are
// ignored.
NameExceptions ParseNameExceptions(const QByteArray& utf8);

// Reads a file of exceptions. Throws std::runtime_error, with a message naming the file and
// the cause, when it cannot be read.
NameExceptions ReadNameExceptions(const QString& path);

// Where the user's exceptions are looked for when no file is named:
// $XDG_CONFIG_HOME/Vantrel/name-exceptions.txt (normally under ~/.config).
QString DefaultNameExceptionsPath();

// The exceptions of the default file; none when it does not exist.
NameExceptions DefaultNameExceptions();

} // namespace Case
