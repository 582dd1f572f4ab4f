#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What one benchmark invocation measures.
struct BenchOptions {
    // The test server's settings file written by tools/testdb.sh (--env, else TESTDB_ENV).
    QString envFile;
    // Table sizes, ascending; --large adds 1,000,000.
    QList<int> rows = {10000, 100000};
    // The per-row statements without WHERE rewrite the whole table each: only up to here.
    int literalLimit = 10000;
    // Which runs, from the names in RunNames() (bench_runs.h); b only when asked.
    QStringList runs = {QStringLiteral("a"), QStringLiteral("ai"), QStringLiteral("an"),
                        QStringLiteral("c"), QStringLiteral("ci"), QStringLiteral("p"),
                        QStringLiteral("n"), QStringLiteral("pi")};
    // Each (size, run) this many times, on a fresh table each time; the report gives medians.
    int repeat = 1;
    // Also the Proper run without index through a shown progress bar and the program's own
    // yield, at this many rows (--window: 1,000,000, or --window-rows).
    int windowRows = 0;
    // Also one UPPER run with its journal on a table this large, stopped once its first group
    // is committed (--huge: 10,000,000, or --huge-rows).
    int hugeRows = 0;
    // Whether the journal syncs a group's outcomes before its COMMIT (--journal-sync off only
    // to measure what the sync costs).
    bool journalSync = true;
};

// The options, or nothing with a message in *error (the usage text for --help).
std::optional<BenchOptions> ParseOptions(const QStringList& arguments, QString* error);
