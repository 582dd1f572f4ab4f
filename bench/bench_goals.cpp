#include "bench_goals.h"

#include "bench_report.h"
#include "run_kinds.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace bench {

namespace {

constexpr double MaxGrowthPer10x = 12;
constexpr double MaxChangeOverSetBased = 8;
constexpr double MaxStatementsPerRow = 1.0 / 50;
constexpr double MaxPeakGrowthMiB = 24;
constexpr double MaxJournalOverhead = 0.15;
constexpr double MaxWindowSeconds = 60;
constexpr int WindowGoalRows = 1000000;
constexpr double MaxFirstCommitSeconds = 2;
constexpr int HugeGoalRows = 10000000;
// Below this size a run's fixed statements (connecting, reading the column's type) outweigh
// its rows: the statements goal is for tables at least this large.
constexpr int StatementsGoalFromRows = 10000;

const char* const ChangeRuns[] = {"a", "ai", "an", "p", "pi", "pw"};

QString Rows(int rows) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(rows);
}

void GrowthGoal(const Results& results, const char* run) {
    const QList<int> sizes = results.Rows(QLatin1String(run));
    QStringList figures;
    bool met = true;
    for (qsizetype i = 0; i + 1 < sizes.size(); ++i) {
        const double before = results.Wall(sizes[i], QLatin1String(run));
        const double after = results.Wall(sizes[i + 1], QLatin1String(run));
        if (before <= 0 || after <= 0)
            continue;
        const double per10x =
            std::pow(after / before, 1.0 / std::log10(double(sizes[i + 1]) / sizes[i]));
        met = met && per10x <= MaxGrowthPer10x;
        figures.append(QStringLiteral("x%1 (%2->%3)")
                           .arg(per10x, 0, 'f', 1)
                           .arg(Rows(sizes[i]), Rows(sizes[i + 1])));
    }
    Goal(QStringLiteral("growth per 10x rows, ") + RunLabel(QLatin1String(run)),
         figures.join(QStringLiteral(", ")), QStringLiteral("<= x12"), !figures.isEmpty(), met);
}

void SetBasedGoal(const Results& results, int rows) {
    const double a = results.Wall(rows, QStringLiteral("a"));
    const double c = results.Wall(rows, QStringLiteral("c"));
    Goal(QStringLiteral("UPPER no index / set-based at %1 rows").arg(Rows(rows)),
         QStringLiteral("%1x").arg(a / c, 0, 'f', 2), QStringLiteral("<= 8x"), a > 0 && c > 0,
         a / c <= MaxChangeOverSetBased);
}

void StatementsGoal(const Results& results) {
    double worst = -1;
    QString where;
    for (int rows : results.Rows()) {
        if (rows < StatementsGoalFromRows)
            continue;
        for (const char* run : ChangeRuns) {
            const auto median = results.Median(rows, QLatin1String(run));
            const double perRow = median ? StatementsPerRow(rows, *median) : -1;
            if (perRow > worst) {
                worst = perRow;
                where = QStringLiteral("%1 at %2").arg(QLatin1String(run), Rows(rows));
            }
        }
    }
    Goal(QStringLiteral("statements per row written, worst, >= 10,000 rows"),
         QStringLiteral("%1 = 1 per %2 rows (%3)")
             .arg(worst, 0, 'f', 4)
             .arg(worst > 0 ? 1 / worst : 0, 0, 'f', 0)
             .arg(where),
         QStringLiteral("<= 1 per 50"), worst >= 0, worst <= MaxStatementsPerRow);
}

void PeakGoal(const Results& results) {
    const QList<int> sizes = results.Rows();
    std::optional<double> worst;
    QString where;
    for (const char* run : ChangeRuns) {
        std::optional<RunOutcome> smallest, largest;
        int from = 0, to = 0;
        for (int rows : sizes) {
            const auto median = results.Median(rows, QLatin1String(run));
            if (!median || median->peakMiB < 0)
                continue;
            if (!smallest) {
                smallest = median;
                from = rows;
            }
            largest = median;
            to = rows;
        }
        if (!smallest || from == to)
            continue;
        const double growth = largest->peakMiB - smallest->peakMiB;
        if (!worst || growth > *worst) {
            worst = growth;
            where = QStringLiteral("%1, %2->%3 rows").arg(QLatin1String(run), Rows(from), Rows(to));
        }
    }
    Goal(QStringLiteral("peak RSS growth, smallest to largest size"),
         QStringLiteral("%1 MiB (%2)").arg(worst.value_or(0), 0, 'f', 1).arg(where),
         QStringLiteral("<= 24 MiB"), worst.has_value(), worst <= MaxPeakGrowthMiB);
}

void JournalGoal(const Results& results) {
    double worst = -1e9;
    QStringList figures;
    for (int rows : results.Rows()) {
        const double with = results.Wall(rows, QStringLiteral("a"));
        const double without = results.Wall(rows, QStringLiteral("an"));
        if (with <= 0 || without <= 0)
            continue;
        const double overhead = with / without - 1;
        worst = std::max(worst, overhead);
        figures.append(QStringLiteral("%1% at %2").arg(overhead * 100, 0, 'f', 1).arg(Rows(rows)));
    }
    Goal(QStringLiteral("journal overhead (a over an)"), figures.join(QStringLiteral(", ")),
         QStringLiteral("<= 15%"), !figures.isEmpty(), worst <= MaxJournalOverhead);
}

void WindowGoal(const Results& results) {
    int rows = 0;
    std::optional<RunOutcome> median;
    for (int size : results.Rows()) {
        if (auto found = results.Median(size, QStringLiteral("pw"))) {
            rows = size;
            median = found;
        }
    }
    const bool measured = median && median->faults.isEmpty() && median->doneSeconds >= 0;
    Goal(QStringLiteral("window, Proper, no index: start to \"Done.\""),
         measured ? QStringLiteral("%1 s at %2 rows%3")
                        .arg(median->doneSeconds, 0, 'f', 1)
                        .arg(Rows(rows))
                        .arg(rows == WindowGoalRows ? "" : " (goal is at 1,000,000)")
                  : QString(),
         QStringLiteral("< 60 s"), measured, measured && median->doneSeconds < MaxWindowSeconds);
}

void FirstCommitGoal(const HugeRun& huge) {
    const RunOutcome& outcome = huge.outcome;
    const bool measured = huge.rows > 0 && outcome.faults.isEmpty();
    const bool committed = outcome.firstCommitSeconds >= 0;
    Goal(QStringLiteral("huge table: start to the first committed group"),
         committed ? QStringLiteral("%1 s at %2 rows%3")
                         .arg(outcome.firstCommitSeconds, 0, 'f', 3)
                         .arg(Rows(huge.rows))
                         .arg(huge.rows == HugeGoalRows ? "" : " (goal is at 10,000,000)")
                   : QStringLiteral("no group committed"),
         QStringLiteral("< 2 s"), measured,
         committed && outcome.firstCommitSeconds < MaxFirstCommitSeconds);
}

} // namespace

void Goal(const QString& what, const QString& measured, const QString& goal, bool measurable,
          bool met) {
    PrintLine(QStringLiteral("  %1  %2  %3  %4")
                  .arg(what, -52)
                  .arg(measurable ? measured : QStringLiteral("not measured"), -44)
                  .arg(goal, -12)
                  .arg(measurable ? (met ? "PASS" : "MISS") : "-"));
}

void PrintGoals(const Results& results, const HugeRun& huge) {
    PrintLine(QString());
    PrintLine(QStringLiteral("Goals (from the medians):"));
    for (const char* run : {"a", "ai", "p", "pi"})
        GrowthGoal(results, run);
    for (int rows : {100000, 1000000})
        SetBasedGoal(results, rows);
    StatementsGoal(results);
    PeakGoal(results);
    JournalGoal(results);
    WindowGoal(results);
    FirstCommitGoal(huge);
}

} // namespace bench
