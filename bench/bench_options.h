#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What one benchmark invocation measures.
struct BenchOptions {
    // The test server's settings file written by tools/testdb.sh (--env, else TESTDB_ENV).
    QString envFile;
    // Table sizes, ascending; --large adds 100,000.
    QList<int> rows = {1000, 10000};
    // The per-row statements without WHERE rewrite the whole table each: only up to here.
    int literalLimit = 10000;
    // Which runs: a (change run, no index), ai (change run, index on the column),
    // b (per-row statements without WHERE), c (set-based UPPER).
    QStringList runs = {QStringLiteral("a"), QStringLiteral("ai"), QStringLiteral("b"),
                        QStringLiteral("c")};
    // Drive the change run through a shown progress bar and the program's own yield.
    bool window = false;
};

// The options, or nothing with a message in *error (the usage text for --help).
std::optional<BenchOptions> ParseOptions(const QStringList& arguments, QString* error);
