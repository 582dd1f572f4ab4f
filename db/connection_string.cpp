#include "db/connection_string.h"

#include "db/connection_profile.h"

#include <algorithm>

namespace db {

QList<ConnectionStringPair> ParseConnectionString(const QString& text) {
    QList<ConnectionStringPair> pairs;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), at);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), at);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A piece without '=' names nothing; skip it.
            if (semicolon < 0)
                break;
            at = semicolon + 1;
            continue;
        }
        ConnectionStringPair pair{text.mid(at, equals - at).trimmed(), QString()};
        at = equals + 1;
        if (at < text.size() && text[at] == QLatin1Char('{')) {
            for (++at; at < text.size(); ++at) {
                if (text[at] == QLatin1Char('}')) {
                    if (at + 1 < text.size() && text[at + 1] == QLatin1Char('}')) {
                        pair.value += QLatin1Char('}');
                        ++at;
                        continue;
                    }
                    break;
                }
                pair.value += text[at];
            }
            const qsizetype end = text.indexOf(QLatin1Char(';'), at);
            at = end < 0 ? text.size() : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), at);
            pair.value = text.mid(at, end < 0 ? -1 : end - at);
            at = end < 0 ? text.size() : end + 1;
        }
        pairs.append(pair);
    }
    return pairs;
}

QString OdbcFormOf(const QString& connectionString) {
    const QList<ConnectionStringPair> pairs = ParseConnectionString(connectionString);
    const auto isProvider = [](const ConnectionStringPair& pair) {
        return pair.key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0;
    };
    if (std::none_of(pairs.begin(), pairs.end(), isProvider))
        return connectionString;

    static const struct {
        const char* oleDb;
        const char* odbc;
    } renames[] = {{"Data Source", "Server"}, {"User Id", "Uid"}, {"Password", "Pwd"}};
    QString odbc;
    for (const ConnectionStringPair& pair : pairs) {
        if (isProvider(pair)) {
            QString name = pair.value;
            name.replace(QLatin1Char('}'), QLatin1String("}}"));
            odbc += QLatin1String("Driver={") + name + QLatin1String("};");
            continue;
        }
        QString key = pair.key;
        for (const auto& rename : renames) {
            if (key.compare(QLatin1String(rename.oleDb), Qt::CaseInsensitive) == 0)
                key = QLatin1String(rename.odbc);
        }
        odbc += key + QLatin1Char('=') + ConnectionStringValue(pair.value) + QLatin1Char(';');
        // The data source also as DBQ, where Oracle's own driver reads it.
        if (key == QLatin1String("Server"))
            odbc += QLatin1String("DBQ=") + ConnectionStringValue(pair.value) + QLatin1Char(';');
    }
    return odbc;
}

} // namespace db
