#include "bench_goals.h"

#include "bench_report.h"

#include <QLocale>
#include <cmath>
#include <optional>

namespace bench {

namespace {

// The size most goals are held at, and the sizes the others compare with it.
constexpr int GoalRows = 1000000;
constexpr int MidRows = 100000;
constexpr int PeakBaseRows = 10000;
constexpr int HugeGoalRows = 10000000;

constexpr double MaxUpperOverSetBased = 3;
constexpr double MaxUpperOverSetBasedMid = 4;
constexpr double MoonshotUpperOverSetBased = 2.5;
constexpr double MaxIndexedOverSetBased = 4;
constexpr double MinProperRowsPerSecond = 65000;
constexpr double MaxWindowSeconds = 15;
// Name Case's rules cost more than Proper Case's; its run keeps at least this share of p's speed.
constexpr double MinNameOverProperSpeed = 0.5;
constexpr double MaxJournalMicrosPerRow = 1.5;
constexpr double MaxJournalOverhead = 0.10;
constexpr double MaxPeakGrowthMiB = 24;
constexpr double MaxGrowthPer10x = 11;
constexpr double MaxFirstCommitSeconds = 2;
constexpr double MaxStatementsPerRow = 1.0 / 50;
// Below this size a run's fixed statements (connecting, reading the column's type) outweigh
// its rows: the statements goal is for tables at least this large.
constexpr int StatementsGoalFromRows = 10000;

// The change runs measured at every size of --rows.
const char* const SizedChangeRuns[] = {"a", "ai", "an", "p", "pi"};
const char* const ChangeRuns[] = {"a", "ai", "an", "p", "pi", "pw"};

QString Rows(int rows) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(rows);
}

// The median wall time of `over` over that of `under`, at `rows`.
void RatioGoal(const Results& results, const QString& what, const char* over, const char* under,
               int rows, double most) {
    const double top = results.Wall(rows, QLatin1String(over));
    const double bottom = results.Wall(rows, QLatin1String(under));
    Goal(what + QStringLiteral(" (%1/%2), %3 rows")
                    .arg(QLatin1String(over), QLatin1String(under), Rows(rows)),
         QStringLiteral("%1x").arg(top / bottom, 0, 'f', 2), QStringLiteral("<= %1x").arg(most),
         top > 0 && bottom > 0, top / bottom <= most);
}

void ProperSpeedGoal(const Results& results) {
    const double seconds = results.Wall(GoalRows, QStringLiteral("p"));
    const double perSecond = seconds > 0 ? GoalRows / seconds : -1;
    Goal(QStringLiteral("Proper no index (p), %1 rows").arg(Rows(GoalRows)),
         QStringLiteral("%1 rows/s").arg(Rows(int(perSecond))),
         QStringLiteral(">= %1 rows/s").arg(Rows(int(MinProperRowsPerSecond))), seconds > 0,
         perSecond >= MinProperRowsPerSecond);
}

void NameCaseSpeedGoal(const Results& results) {
    const double proper = results.Wall(GoalRows, QStringLiteral("p"));
    const double names = results.Wall(GoalRows, QStringLiteral("n"));
    const double share = proper > 0 && names > 0 ? proper / names : -1;
    Goal(QStringLiteral("Name Case no index (n), %1 rows").arg(Rows(GoalRows)),
         QStringLiteral("%1 rows/s, %2 of p's")
             .arg(Rows(names > 0 ? int(GoalRows / names) : 0))
             .arg(share, 0, 'f', 2),
         QStringLiteral(">= %1 of p's").arg(MinNameOverProperSpeed), share > 0,
         share >= MinNameOverProperSpeed);
}

void WindowGoal(const Results& results) {
    int rows = 0;
    std::optional<RunOutcome> median;
    for (int size : results.Rows(QStringLiteral("pw"))) {
        rows = size;
        median = results.Median(size, QStringLiteral("pw"));
    }
    const bool measured = median && median->faults.isEmpty() && median->doneSeconds >= 0;
    Goal(QStringLiteral("window, Proper (pw): start to \"Done.\""),
         measured ? QStringLiteral("%1 s at %2 rows%3")
                        .arg(median->doneSeconds, 0, 'f', 1)
                        .arg(Rows(rows))
                        .arg(rows == GoalRows ? "" : " (goal is at 1,000,000)")
                  : QString(),
         QStringLiteral("< %1 s").arg(MaxWindowSeconds), measured,
         measured && median->doneSeconds < MaxWindowSeconds);
}

// The journal thread's CPU per row of run a, at the largest size it ran.
void JournalCpuGoal(const Results& results) {
    const QList<int> sizes = results.Rows(QStringLiteral("a"));
    const int rows = sizes.isEmpty() ? 0 : sizes.last();
    const auto median = rows > 0 ? results.Median(rows, QStringLiteral("a")) : std::nullopt;
    const bool measured = median && median->faults.isEmpty() && median->stageCpu.journal >= 0;
    const double micros = measured ? median->stageCpu.journal * 1e6 / rows : -1;
    Goal(QStringLiteral("journal thread CPU per row, a at its largest size"),
         QStringLiteral("%1 µs at %2 rows").arg(micros, 0, 'f', 2).arg(Rows(rows)),
         QStringLiteral("<= %1 µs").arg(MaxJournalMicrosPerRow), measured,
         micros <= MaxJournalMicrosPerRow);
}

void JournalOverheadGoal(const Results& results) {
    const double with = results.Wall(GoalRows, QStringLiteral("a"));
    const double without = results.Wall(GoalRows, QStringLiteral("an"));
    const double overhead = with / without - 1;
    Goal(QStringLiteral("journal overhead, wall (a over an), %1 rows").arg(Rows(GoalRows)),
         QStringLiteral("%1%").arg(overhead * 100, 0, 'f', 1),
         QStringLiteral("<= %1%").arg(MaxJournalOverhead * 100), with > 0 && without > 0,
         overhead <= MaxJournalOverhead);
}

// How much more the peak resident memory is at GoalRows than at PeakBaseRows, worst run.
void PeakGoal(const Results& results) {
    std::optional<double> worst;
    QString where;
    for (const char* run : SizedChangeRuns) {
        const auto base = results.Median(PeakBaseRows, QLatin1String(run));
        const auto large = results.Median(GoalRows, QLatin1String(run));
        if (!base || !large || base->peakMiB < 0 || large->peakMiB < 0)
            continue;
        const double growth = large->peakMiB - base->peakMiB;
        if (!worst || growth > *worst) {
            worst = growth;
            where = QLatin1String(run);
        }
    }
    Goal(QStringLiteral("peak RSS above the %1-row run, %2 rows, worst")
             .arg(Rows(PeakBaseRows), Rows(GoalRows)),
         QStringLiteral("%1 MiB (%2)").arg(worst.value_or(0), 0, 'f', 1).arg(where),
         QStringLiteral("<= %1 MiB").arg(MaxPeakGrowthMiB), worst.has_value(),
         worst <= MaxPeakGrowthMiB);
}

// The wall time's growth per 10x rows between neighbouring sizes, worst of every change run
// measured at more than one size.
void GrowthGoal(const Results& results) {
    double worst = -1;
    QString where;
    for (const char* run : SizedChangeRuns) {
        const QList<int> sizes = results.Rows(QLatin1String(run));
        for (qsizetype i = 0; i + 1 < sizes.size(); ++i) {
            const double before = results.Wall(sizes[i], QLatin1String(run));
            const double after = results.Wall(sizes[i + 1], QLatin1String(run));
            if (before <= 0 || after <= 0)
                continue;
            const double per10x =
                std::pow(after / before, 1.0 / std::log10(double(sizes[i + 1]) / sizes[i]));
            if (per10x > worst) {
                worst = per10x;
                where = QStringLiteral("%1, %2->%3")
                            .arg(QLatin1String(run), Rows(sizes[i]), Rows(sizes[i + 1]));
            }
        }
    }
    Goal(QStringLiteral("time growth per 10x rows, worst of a, ai, an, p, pi"),
         QStringLiteral("x%1 (%2)").arg(worst, 0, 'f', 1).arg(where),
         QStringLiteral("<= x%1").arg(MaxGrowthPer10x), worst >= 0, worst <= MaxGrowthPer10x);
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

void FirstCommitGoal(const HugeRun& huge) {
    const RunOutcome& outcome = huge.outcome;
    const bool measured = huge.rows > 0 && outcome.faults.isEmpty();
    const bool committed = outcome.firstCommitSeconds >= 0;
    Goal(QStringLiteral("--huge table: start to the first committed group"),
         committed ? QStringLiteral("%1 s at %2 rows%3")
                         .arg(outcome.firstCommitSeconds, 0, 'f', 3)
                         .arg(Rows(huge.rows))
                         .arg(huge.rows == HugeGoalRows ? "" : " (goal is at 10,000,000)")
                   : QStringLiteral("no group committed"),
         QStringLiteral("< %1 s").arg(MaxFirstCommitSeconds), measured,
         committed && outcome.firstCommitSeconds < MaxFirstCommitSeconds);
}

} // namespace

void Goal(const QString& what, const QString& measured, const QString& goal, bool measurable,
          bool met) {
    PrintLine(QStringLiteral("  %1  %2  %3  %4")
                  .arg(what, -60)
                  .arg(measurable ? measured : QStringLiteral("not measured"), -48)
                  .arg(goal, -16)
                  .arg(measurable ? (met ? "PASS" : "MISS") : "-"));
}

void PrintGoals(const Results& results, const HugeRun& huge) {
    PrintLine(QString());
    PrintLine(QStringLiteral("Goals (from the medians):"));
    const QString upper = QStringLiteral("UPPER no index / set-based");
    RatioGoal(results, upper, "a", "c", GoalRows, MaxUpperOverSetBased);
    RatioGoal(results, upper, "a", "c", MidRows, MaxUpperOverSetBasedMid);
    RatioGoal(results, QStringLiteral("moonshot: ") + upper, "a", "c", GoalRows,
              MoonshotUpperOverSetBased);
    RatioGoal(results, QStringLiteral("UPPER index / set-based, same index"), "ai", "ci", GoalRows,
              MaxIndexedOverSetBased);
    ProperSpeedGoal(results);
    NameCaseSpeedGoal(results);
    WindowGoal(results);
    JournalCpuGoal(results);
    JournalOverheadGoal(results);
    PeakGoal(results);
    GrowthGoal(results);
    FirstCommitGoal(huge);
    StatementsGoal(results);
}

} // namespace bench
