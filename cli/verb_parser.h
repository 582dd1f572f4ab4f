#pragma once

#include "db/connection_profile.h"

#include <QCommandLineParser>
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
    // Adds --sid and --user; after Parse, the profile they name, the rest from the store.
    void AddProfileOptions();
    ConnectionProfile Profile() const;
    // Parses the arguments after the verb. An exit status when the call is already done
    // (help printed: 0; usage error: 2), nothing when the verb should go on.
    std::optional<int> Parse(const QStringList& arguments);
    // Prints the usage error and returns its exit status.
    int UsageError(const QString& message) const;

private:
    QString verb_;
    QCommandLineParser parser_;
    QCommandLineOption sid_{QStringLiteral("sid"),
                            QStringLiteral("The SID (default: the remembered one)."),
                            QStringLiteral("S")};
    QCommandLineOption user_{QStringLiteral("user"),
                             QStringLiteral("The user (default: the remembered one)."),
                             QStringLiteral("U")};
};

} // namespace cli
