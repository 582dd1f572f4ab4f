#include "bench_report.h"

#include "run_kinds.h"

#include <QStringList>
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

QString Figure(double value, int decimals) {
    return value < 0 ? QStringLiteral("n/a") : QString::number(value, 'f', decimals);
}

QString Ratio(double over, double under) {
    return over > 0 && under > 0 ? QString::number(over / under, 'f', 1) : QStringLiteral("-");
}

// Seconds as microseconds per row.
QString PerRow(double seconds, int rows) {
    return Figure(seconds < 0 ? -1 : seconds * 1e6 / rows, 2);
}

void PrintStageCpu(const Results& results) {
    PrintLine(QString());
    PrintLine(QStringLiteral("Client CPU by stage (µs per row, medians; convert = the client's "
                             "whole CPU less the reader, journal and writer threads):"));
    PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                  .arg(QStringLiteral("rows"), 8)
                  .arg(QStringLiteral("run"), -30)
                  .arg(QStringLiteral("client"), 8)
                  .arg(QStringLiteral("read"), 8)
                  .arg(QStringLiteral("convert"), 8)
                  .arg(QStringLiteral("journal"), 8)
                  .arg(QStringLiteral("write"), 8));
    for (int rows : results.Rows()) {
        for (const RunKind& kind : RunKinds) {
            const auto median =
                kind.changeRun ? results.Median(rows, QLatin1String(kind.name)) : std::nullopt;
            if (!median || median->stageCpu.read < 0)
                continue;
            const StageSeconds& stage = median->stageCpu;
            const double convert = median->ConvertSeconds();
            PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                          .arg(rows, 8)
                          .arg(RunLabel(QLatin1String(kind.name)), -30)
                          .arg(PerRow(median->timing.client, rows), 8)
                          .arg(PerRow(stage.read, rows), 8)
                          .arg(PerRow(convert, rows), 8)
                          .arg(PerRow(stage.journal, rows), 8)
                          .arg(PerRow(stage.write, rows), 8));
        }
    }
}

} // namespace

void PrintLine(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void PrintRunHeading() {
    PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9  %10")
                  .arg(QStringLiteral("rows"), 8)
                  .arg(QStringLiteral("run"), -30)
                  .arg(QStringLiteral("tag"), -6)
                  .arg(QStringLiteral("wall s"), 9)
                  .arg(QStringLiteral("rows/s"), 8)
                  .arg(QStringLiteral("client s"), 8)
                  .arg(QStringLiteral("server s"), 8)
                  .arg(QStringLiteral("peak MiB"), 8)
                  .arg(QStringLiteral("stmts/row"), 9)
                  .arg(QStringLiteral("statements, notes")));
}

void PrintRunLine(int rows, const QString& run, const RunOutcome& outcome, const QString& tag) {
    const Timing& t = outcome.timing;
    // A run stopped early did only the rows it wrote.
    const qint64 done = outcome.stopped ? outcome.written : rows;
    QString notes = outcome.statements < 0
                        ? QStringLiteral("statements not counted")
                        : QStringLiteral("%1 statements").arg(outcome.statements);
    if (outcome.doneSeconds >= 0)
        notes += QStringLiteral(", \"Done.\" after %1 s").arg(outcome.doneSeconds, 0, 'f', 3);
    if (outcome.firstCommitSeconds >= 0)
        notes +=
            QStringLiteral(", first commit after %1 s").arg(outcome.firstCommitSeconds, 0, 'f', 3);
    if (!outcome.note.isEmpty())
        notes += QStringLiteral("; ") + outcome.note;
    if (!outcome.faults.isEmpty())
        notes += QStringLiteral(" FAULTS: ") + outcome.faults.join(QStringLiteral("; "));
    PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9  %10")
                  .arg(rows, 8)
                  .arg(RunLabel(run), -30)
                  .arg(tag, -6)
                  .arg(Figure(t.wall, 3), 9)
                  .arg(t.wall > 0 ? QString::number(done / t.wall, 'f', 0) : QStringLiteral("-"), 8)
                  .arg(Figure(t.client, 3), 8)
                  .arg(Figure(t.server, 2), 8) // the kernel counts other processes in 1/100 s
                  .arg(Figure(outcome.peakMiB, 1), 8)
                  .arg(Figure(StatementsPerRow(rows, outcome), 4), 9)
                  .arg(notes));
}

void PrintMedians(const Results& results, int repetitions) {
    PrintLine(QString());
    PrintLine(QStringLiteral("Medians of %1 repetitions:").arg(repetitions));
    PrintRunHeading();
    for (int rows : results.Rows()) {
        for (const RunKind& kind : RunKinds) {
            if (const auto median = results.Median(rows, QLatin1String(kind.name)))
                PrintRunLine(rows, QLatin1String(kind.name), *median, QStringLiteral("median"));
        }
    }
}

void PrintSummary(const Results& results) {
    const QList<int> sizes = results.Rows();
    const auto wall = [&](int rows, const char* run) {
        return results.Wall(rows, QLatin1String(run));
    };

    PrintLine(QString());
    PrintLine(QStringLiteral("Time ratios (median wall time over median wall time; c = set-based "
                             "UPPER, ci = the same with ai's index, b = per row without WHERE):"));
    PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                  .arg(QStringLiteral("rows"), 8)
                  .arg(QStringLiteral("a/c"), 8)
                  .arg(QStringLiteral("ai/c"), 8)
                  .arg(QStringLiteral("ai/ci"), 8)
                  .arg(QStringLiteral("an/c"), 8)
                  .arg(QStringLiteral("p/a"), 8)
                  .arg(QStringLiteral("b/a"), 8));
    for (int rows : sizes) {
        const double a = wall(rows, "a");
        if (a <= 0 && wall(rows, "c") <= 0 && wall(rows, "ci") <= 0)
            continue;
        PrintLine(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
                      .arg(rows, 8)
                      .arg(Ratio(a, wall(rows, "c")), 8)
                      .arg(Ratio(wall(rows, "ai"), wall(rows, "c")), 8)
                      .arg(Ratio(wall(rows, "ai"), wall(rows, "ci")), 8)
                      .arg(Ratio(wall(rows, "an"), wall(rows, "c")), 8)
                      .arg(Ratio(wall(rows, "p"), a), 8)
                      .arg(Ratio(wall(rows, "b"), a), 8));
    }

    PrintLine(QString());
    PrintLine(QStringLiteral("Proper Case and Name Case (no set-based equivalent), rows per "
                             "second:"));
    for (int rows : sizes) {
        QStringList parts;
        for (const char* run : {"p", "pi", "n"}) {
            const double seconds = wall(rows, run);
            if (seconds > 0)
                parts.append(
                    QStringLiteral("%1 %2").arg(QLatin1String(run)).arg(rows / seconds, 0, 'f', 0));
        }
        if (!parts.isEmpty())
            PrintLine(QStringLiteral("%1  %2").arg(rows, 8).arg(parts.join(QStringLiteral(", "))));
    }

    PrintLine(QString());
    PrintLine(QStringLiteral("Journal (a keeps it, an does not; UPPER, no index):"));
    for (int rows : sizes) {
        const auto with = results.Median(rows, QStringLiteral("a"));
        const auto without = results.Median(rows, QStringLiteral("an"));
        if (!with || !without || with->timing.wall <= 0 || without->timing.wall <= 0)
            continue;
        PrintLine(QStringLiteral("%1  rows/s %2 with, %3 without (%4%5%); peak %6 MiB with, "
                                 "%7 MiB without")
                      .arg(rows, 8)
                      .arg(rows / with->timing.wall, 0, 'f', 0)
                      .arg(rows / without->timing.wall, 0, 'f', 0)
                      .arg(with->timing.wall >= without->timing.wall ? "+" : "")
                      .arg((with->timing.wall / without->timing.wall - 1) * 100, 0, 'f', 1)
                      .arg(Figure(with->peakMiB, 1), Figure(without->peakMiB, 1)));
    }

    PrintStageCpu(results);

    PrintLine(QString());
    PrintLine(QStringLiteral("Growth (time ratio per 10x rows: 10 is linear, 100 quadratic; "
                             "exponent k in time ~ rows^k) and peak memory:"));
    for (const RunKind& kind : RunKinds) {
        const QString run = QLatin1String(kind.name);
        const QList<int> sizes = results.Rows(run);
        for (qsizetype i = 0; i + 1 < sizes.size(); ++i) {
            const int from = sizes[i];
            const int to = sizes[i + 1];
            const double before = results.Wall(from, run);
            const double after = results.Wall(to, run);
            if (before <= 0 || after <= 0)
                continue;
            const double exponent = std::log(after / before) / std::log(double(to) / from);
            const double peakBefore = results.Median(from, run)->peakMiB;
            const double peakAfter = results.Median(to, run)->peakMiB;
            PrintLine(QStringLiteral("  %1  %2 -> %3 rows: time x%4, per 10x rows x%5, k = %6; "
                                     "peak %7 -> %8 MiB")
                          .arg(RunLabel(run), -30)
                          .arg(from)
                          .arg(to)
                          .arg(after / before, 0, 'f', 1)
                          .arg(std::pow(10.0, exponent), 0, 'f', 1)
                          .arg(exponent, 0, 'f', 2)
                          .arg(Figure(peakBefore, 1), Figure(peakAfter, 1)));
        }
    }
}

} // namespace bench
