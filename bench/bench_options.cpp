#include "bench_options.h"

#include <QProcessEnvironment>
#include <algorithm>

namespace {

constexpr int LargeRows = 1000000;
constexpr int WindowRows = 500000;
constexpr int HugeRows = 10000000;

const QString Usage = QStringLiteral(
    "usage: bench_change_run [--env FILE] [--rows N,N,...] [--large] [--runs LIST]\n"
    "                        [--repeat N] [--literal-limit N] [--window] [--window-rows N]\n"
    "                        [--huge] [--huge-rows N] [--journal-sync on|off]\n"
    "  --env FILE         the test server's settings (tools/testdb.sh start DIR writes DIR/env);\n"
    "                     default: $TESTDB_ENV\n"
    "  --rows LIST        table sizes (default 10000,100000)\n"
    "  --large            also 1000000 rows\n"
    "  --runs LIST        a  change run, UPPER, no index on the column\n"
    "                     ai change run, UPPER, index on the column\n"
    "                     an change run, UPPER, no index, no journal\n"
    "                     p  change run, Proper, no index\n"
    "                     pi change run, Proper, index on the column\n"
    "                     n  change run, Name Case, no index (the twin of p)\n"
    "                     b  per-row REPLACE statements without WHERE (up to --literal-limit)\n"
    "                     c  set-based UPDATE ... = UPPER(...)\n"
    "                     ci set-based UPDATE, the same index on the column as ai\n"
    "                     (default a,ai,an,c,ci,p,n,pi)\n"
    "  --repeat N         each run N times on a fresh table; the report gives medians\n"
    "  --literal-limit N  largest table for run b (default 10000)\n"
    "  --window           also run aw: a without index at 500000 rows through a shown\n"
    "                     progress bar and the program's window system (offscreen platform\n"
    "                     when there is no display), the time to \"Done.\", with a set-based\n"
    "                     UPDATE (c) of the same size beside it\n"
    "  --window-rows N    the table size of those runs instead of 500000\n"
    "  --huge             also one run a on a 10000000-row table, stopped once its first\n"
    "                     group is committed: the time from its start to that commit\n"
    "  --huge-rows N      the table size of that run instead of 10000000\n"
    "  --journal-sync off the journal does not sync a group's outcomes before its COMMIT (to\n"
    "                     measure what that costs; default on)\n");

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

std::optional<int> ParseCount(const QString& text) {
    const auto counts = ParseCounts(text);
    if (!counts || counts->size() != 1)
        return std::nullopt;
    return counts->front();
}

} // namespace

std::optional<BenchOptions> ParseOptions(const QStringList& arguments, QString* error) {
    BenchOptions options;
    options.envFile = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TESTDB_ENV"));
    bool large = false;
    bool window = false;
    bool huge = false;
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
            window = true;
        } else if (argument == QLatin1String("--huge")) {
            huge = true;
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
        } else if (argument == QLatin1String("--literal-limit") ||
                   argument == QLatin1String("--repeat") ||
                   argument == QLatin1String("--window-rows") ||
                   argument == QLatin1String("--huge-rows")) {
            const auto count = ParseCount(arguments[++i]);
            if (!count)
                return fail(argument + QStringLiteral(" takes one positive whole number"));
            if (argument == QLatin1String("--literal-limit"))
                options.literalLimit = *count;
            else if (argument == QLatin1String("--repeat"))
                options.repeat = *count;
            else if (argument == QLatin1String("--window-rows"))
                options.windowRows = *count;
            else
                options.hugeRows = *count;
        } else if (argument == QLatin1String("--journal-sync")) {
            const QString value = arguments[++i];
            if (value != QLatin1String("on") && value != QLatin1String("off"))
                return fail(QStringLiteral("--journal-sync takes on or off"));
            options.journalSync = value == QLatin1String("on");
        } else if (argument == QLatin1String("--runs")) {
            options.runs = arguments[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (const QString& run : options.runs) {
                if (!QStringList{"a", "ai", "an", "p", "n", "pi", "b", "c", "ci"}.contains(run))
                    return fail(QStringLiteral("unknown run: ") + run);
            }
        } else {
            return fail(QStringLiteral("unknown option: ") + argument);
        }
    }
    if (large && !options.rows.contains(LargeRows))
        options.rows.append(LargeRows);
    if (window && options.windowRows == 0)
        options.windowRows = WindowRows;
    if (huge && options.hugeRows == 0)
        options.hugeRows = HugeRows;
    std::sort(options.rows.begin(), options.rows.end());
    options.rows.erase(std::unique(options.rows.begin(), options.rows.end()), options.rows.end());
    if (options.envFile.isEmpty())
        return fail(QStringLiteral("no test server: give --env FILE or set TESTDB_ENV"));
    return options;
}
