#include "cli/verb_parser.h"

#include "cli/console.h"
#include "cli/profile_source.h"
#include "cli/summary.h"
#include "journal/retention.h"

#include <QSet>

namespace cli {

VerbParser::VerbParser(const QString& verb, const QString& description) : verb_(verb) {
    parser_.setApplicationDescription(description);
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser_.addHelpOption();
}

void VerbParser::AddProfileOptions() {
    parser_.addOptions({sid_, user_});
}

ConnectionProfile VerbParser::Profile() const {
    return ResolveProfile(parser_.isSet(sid_) ? parser_.value(sid_) : QString(),
                          parser_.isSet(user_) ? parser_.value(user_) : QString());
}

void VerbParser::AddRetentionOptions() {
    parser_.addOptions({keepDays_, keep_});
}

std::optional<int> VerbParser::Count(const QCommandLineOption& option, int least,
                                     int& count) const {
    bool numeric = false;
    count = parser_.value(option).toInt(&numeric);
    if (numeric && count >= least)
        return std::nullopt;
    return UsageError(QStringLiteral("--%1 needs a whole number of %2 or more, not '%3'.")
                          .arg(option.names()[0])
                          .arg(least)
                          .arg(parser_.value(option)));
}

std::optional<int> VerbParser::ApplyRetention() const {
    journal::Retention retention;
    // --keep alone keeps by count only, as it always did; it always keeps the new run's own
    // journal, so 0 (which would read as "delete them all") is refused.
    if (parser_.isSet(keep_)) {
        if (const std::optional<int> error = Count(keep_, 1, retention.count))
            return error;
        retention.days = -1;
    }
    if (parser_.isSet(keepDays_)) {
        if (const std::optional<int> error = Count(keepDays_, 0, retention.days))
            return error;
    }
    journal::SetRetention(retention);
    return std::nullopt;
}

std::optional<int> VerbParser::Parse(const QStringList& arguments) {
    if (!parser_.parse(QStringList{QStringLiteral("recapitalizer")} + arguments))
        return UsageError(parser_.errorText());
    // --help-all, which the parser offers beside --help, would add Qt's own options: the
    // command line has none, so it prints the same help.
    if (parser_.isSet(QStringLiteral("help")) || parser_.isSet(QStringLiteral("help-all"))) {
        // The help names the program by its name, not by the path it was started from.
        QString help = parser_.helpText();
        const qsizetype lineEnd = help.indexOf(QLatin1Char('\n'));
        QString usage = help.left(lineEnd);
        const qsizetype from = usage.indexOf(QLatin1Char(' ')) + 1;
        const qsizetype to = usage.indexOf(QLatin1String(" [options]"));
        if (from > 0 && to > from)
            usage.replace(from, to - from, QStringLiteral("recapitalizer ") + verb_);
        Out((usage + help.mid(lineEnd)).trimmed());
        return ExitSuccess;
    }
    // The parser would take the last of two values silently.
    QSet<QString> seen;
    for (const QString& name : parser_.optionNames()) {
        if (seen.contains(name) && !repeatable_.contains(name))
            return UsageError(QStringLiteral("--%1 is given more than once.").arg(name));
        seen.insert(name);
    }
    return std::nullopt;
}

std::optional<int> VerbParser::NoPositional() const {
    if (parser_.positionalArguments().isEmpty())
        return std::nullopt;
    return UsageError(
        QStringLiteral("Unexpected argument '%1'.").arg(parser_.positionalArguments()[0]));
}

int VerbParser::UsageError(const QString& message) const {
    QString line = message.simplified();
    if (line.endsWith(QLatin1Char('.')))
        line.chop(1);
    Err(QStringLiteral("recapitalizer %1: %2 (see recapitalizer %1 --help)").arg(verb_, line));
    return ExitUsage;
}

} // namespace cli
