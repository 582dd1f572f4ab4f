#include "bench_options.h"

#include <QProcessEnvironment>
#include <algorithm>

namespace {

const QString Usage = QStringLiteral(
    "usage: bench_change_run [--env FILE] [--rows N,N,...] [--large] [--runs a,ai,b,c]\n"
    "                        [--literal-limit N] [--window]\n"
    "  --env FILE         the test server's settings (tools/testdb.sh start DIR writes DIR/env);\n"
    "                     default: $TESTDB_ENV\n"
    "  --rows LIST        table sizes (default 1000,10000)\n"
    "  --large            also 100000 rows\n"
    "  --runs LIST        a  change run, no index on the column\n"
    "                     ai change run, index on the column\n"
    "                     b  per-row REPLACE statements without WHERE (up to --literal-limit)\n"
    "                     c  set-based UPDATE ... = UPPER(...)\n"
    "  --literal-limit N  largest table for run b (default 10000)\n"
    "  --window           the change run updates a shown progress bar and yields through the\n"
    "                     program's window system (offscreen platform when there is no display)\n");

std::optional<QList<int>> ParseCounts(const QString& text) {
    QList<int> counts;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int count = part.trimmed().toInt(&ok);
        if (!ok || count < 1)
            return std::nullopt;
        counts.append(count);
    }
    if (counts.isEmpty())
        return std::nullopt;
    return counts;
}

} // namespace

std::optional<BenchOptions> ParseOptions(const QStringList& arguments, QString* error) {
    BenchOptions options;
    options.envFile = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TESTDB_ENV"));
    bool large = false;
    const auto fail = [&](const QString& message) {
        *error = message.isEmpty() ? Usage : message + QLatin1Char('\n') + Usage;
        return std::nullopt;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--large")) {
            large = true;
        } else if (argument == QLatin1String("--window")) {
            options.window = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return fail({});
        } else if (!hasValue) {
            return fail(QStringLiteral("unknown option or missing value: ") + argument);
        } else if (argument == QLatin1String("--env")) {
            options.envFile = arguments[++i];
        } else if (argument == QLatin1String("--rows")) {
            const auto counts = ParseCounts(arguments[++i]);
            if (!counts)
                return fail(QStringLiteral("--rows takes positive whole numbers"));
            options.rows = *counts;
        } else if (argument == QLatin1String("--literal-limit")) {
            const auto counts = ParseCounts(arguments[++i]);
            if (!counts || counts->size() != 1)
                return fail(QStringLiteral("--literal-limit takes one positive whole number"));
            options.literalLimit = counts->front();
        } else if (argument == QLatin1String("--runs")) {
            options.runs = arguments[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString& run : options.runs) {
                if (!QStringList{"a", "ai", "b", "c"}.contains(run))
                    return fail(QStringLiteral("unknown run: ") + run);
            }
        } else {
            return fail(QStringLiteral("unknown option: ") + argument);
        }
    }
    if (large && !options.rows.contains(100000))
        options.rows.append(100000);
    std::sort(options.rows.begin(), options.rows.end());
    options.rows.erase(std::unique(options.rows.begin(), options.rows.end()), options.rows.end());
    if (options.envFile.isEmpty())
        return fail(QStringLiteral("no test server: give --env FILE or set TESTDB_ENV"));
    return options;
}
