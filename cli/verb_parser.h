#pragma once

#include <QCommandLineParser>
#include <QString>
#include <optional>

namespace cli {

// A verb's option parser: --help prints the verb's help, and a usage error prints one line
// on stderr naming the error and the verb.
class VerbParser {
public:
    VerbParser(const QString& verb, const QString& description);

    QCommandLineParser& parser() { return parser_; }
    // Parses the arguments after the verb. An exit status when the call is already done
    // (help printed: 0; usage error: 2), nothing when the verb should go on.
    std::optional<int> Parse(const QStringList& arguments);
    // Prints the usage error and returns its exit status.
    int UsageError(const QString& message) const;

private:
    QString verb_;
    QCommandLineParser parser_;
};

} // namespace cli
