#include "bench_report.h"

#include <QStringList>
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

const QStringList RunOrder = {QStringLiteral("a"), QStringLiteral("ai"), QStringLiteral("b"),
                              QStringLiteral("c")};

QString Label(const QString& run) {
    if (run == QLatin1String("a"))
        return QStringLiteral("(a) change run, no index");
    if (run == QLatin1String("ai"))
        return QStringLiteral("(a) change run, index");
    if (run == QLatin1String("b"))
        return QStringLiteral("(b) per row, no WHERE");
    return QStringLiteral("(c) set-based UPPER");
}

QString Seconds(double seconds, int decimals = 3) {
    return seconds < 0 ? QStringLiteral("n/a") : QString::number(seconds, 'f', decimals);
}

void Print(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

void Results::Add(int rows, const QString& run, const RunOutcome& outcome) {
    outcomes_.insert({rows, run}, outcome);
}

const RunOutcome* Results::Find(int rows, const QString& run) const {
    const auto found = outcomes_.constFind({rows, run});
    return found == outcomes_.cend() ? nullptr : &found.value();
}

QList<int> Results::Rows() const {
    QList<int> rows;
    for (const auto& key : outcomes_.keys()) {
        if (!rows.contains(key.first))
            rows.append(key.first);
    }
    return rows;
}

void PrintRunHeading() {
    Print(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
              .arg(QStringLiteral("rows"), 7)
              .arg(QStringLiteral("run"), -26)
              .arg(QStringLiteral("wall s"), 9)
              .arg(QStringLiteral("rows/s"), 9)
              .arg(QStringLiteral("client CPU s"), 12)
              .arg(QStringLiteral("server CPU s"), 12)
              .arg(QStringLiteral("notes")));
}

void PrintRunLine(int rows, const QString& run, const RunOutcome& outcome) {
    const Timing& t = outcome.timing;
    QString notes = outcome.note;
    if (!outcome.faults.isEmpty())
        notes += QStringLiteral(" FAULTS: ") + outcome.faults.join(QStringLiteral("; "));
    Print(QStringLiteral("%1  %2  %3  %4  %5  %6  %7")
              .arg(rows, 7)
              .arg(Label(run), -26)
              .arg(Seconds(t.wall), 9)
              .arg(t.wall > 0 ? QString::number(rows / t.wall, 'f', 0) : QStringLiteral("-"), 9)
              .arg(Seconds(t.client), 12)
              .arg(Seconds(t.server, 2), 12) // the kernel counts other processes in 1/100 s
              .arg(notes));
}

void PrintSummary(const Results& results) {
    const QList<int> sizes = results.Rows();
    const auto wall = [&](int rows, const QString& run) {
        const RunOutcome* outcome = results.Find(rows, run);
        return outcome && outcome->faults.isEmpty() ? outcome->timing.wall : -1.0;
    };
    const auto ratio = [](double over, double under) {
        return over > 0 && under > 0 ? QString::number(over / under, 'f', 1) : QStringLiteral("-");
    };

    Print(QString());
    Print(QStringLiteral("Time ratios (wall time over wall time; a = change run, "
                         "b = per row without WHERE, c = set-based):"));
    Print(QStringLiteral("%1  %2  %3  %4  %5")
              .arg(QStringLiteral("rows"), 7)
              .arg(QStringLiteral("a/c no index"), 14)
              .arg(QStringLiteral("a/c index"), 14)
              .arg(QStringLiteral("b/a no index"), 14)
              .arg(QStringLiteral("b/a index"), 14));
    for (int rows : sizes) {
        const double a = wall(rows, QStringLiteral("a"));
        const double ai = wall(rows, QStringLiteral("ai"));
        const double b = wall(rows, QStringLiteral("b"));
        const double c = wall(rows, QStringLiteral("c"));
        Print(QStringLiteral("%1  %2  %3  %4  %5")
                  .arg(rows, 7)
                  .arg(ratio(a, c), 14)
                  .arg(ratio(ai, c), 14)
                  .arg(ratio(b, a), 14)
                  .arg(ratio(b, ai), 14));
    }

    Print(QString());
    Print(QStringLiteral("Growth (time ratio per 10x rows: 10 is linear, 100 quadratic; "
                         "exponent k in time ~ rows^k):"));
    for (const QString& run : RunOrder) {
        for (qsizetype i = 0; i + 1 < sizes.size(); ++i) {
            const int from = sizes[i];
            const int to = sizes[i + 1];
            const double before = wall(from, run);
            const double after = wall(to, run);
            if (before <= 0 || after <= 0)
                continue;
            const double exponent = std::log(after / before) / std::log(double(to) / from);
            Print(QStringLiteral("  %1  %2 -> %3 rows: time x%4, per 10x rows x%5, k = %6")
                      .arg(Label(run), -26)
                      .arg(from)
                      .arg(to)
                      .arg(after / before, 0, 'f', 1)
                      .arg(std::pow(10.0, exponent), 0, 'f', 1)
                      .arg(exponent, 0, 'f', 2));
        }
    }
}

} // namespace bench
