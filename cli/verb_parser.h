#pragma once

#include "db/connection_profile.h"

#include <QCommandLineParser>
#include <QSet>
#include <QString>
#include <optional>

namespace cli {

// A verb's option parser: --help (and --help-all) prints the verb's help, and a usage error
// prints one line on stderr naming the error and the verb. An option given twice is a usage
// error.
class VerbParser {
public:
    VerbParser(const QString& verb, const QString& description);

    QCommandLineParser& parser() { return parser_; }
    // Adds --sid and --user; after Parse, the profile they name, the rest from the store, the
    // password asked for on a terminal when neither the environment nor the store has one.
    void AddProfileOptions();
    ConnectionProfile Profile() const;
    // Adds --keep-days and --keep, the retention of the journals this call's run prunes.
    void AddRetentionOptions();
    // Sets the process's retention from them; the exit status of a usage error, else nothing.
    std::optional<int> ApplyRetention() const;
    // Lets an option be given more than once (each of its values counts); any other option
    // given twice is a usage error.
    void AllowRepeated(const QString& name) { repeatable_.insert(name); }
    // Parses the arguments after the verb. An exit status when the call is already done
    // (help printed: 0; usage error: 2), nothing when the verb should go on.
    std::optional<int> Parse(const QStringList& arguments);
    // Prints the usage error and returns its exit status.
    int UsageError(const QString& message) const;
    // A usage error for the first positional argument when there is one.
    std::optional<int> NoPositional() const;

private:
    // The whole number of `least` or more an option holds; a usage error's status otherwise.
    std::optional<int> Count(const QCommandLineOption& option, int least, int& count) const;

    QString verb_;
    QCommandLineParser parser_;
    QSet<QString> repeatable_;
    QCommandLineOption sid_{QStringLiteral("sid"),
                            QStringLiteral("The SID (default: the remembered one)."),
                            QStringLiteral("S")};
    QCommandLineOption user_{QStringLiteral("user"),
                             QStringLiteral("The user (default: the remembered one)."),
                             QStringLiteral("U")};
    QCommandLineOption keepDays_{
        QStringLiteral("keep-days"),
        QStringLiteral("Keep ended runs' journals N days after their last write (default 30)."),
        QStringLiteral("N")};
    QCommandLineOption keep_{
        QStringLiteral("keep"),
        QStringLiteral("Keep only the journals of the N newest runs (1 or more), this one "
                       "included, whatever their age."),
        QStringLiteral("N")};
};

} // namespace cli
