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

constexpr double MaxUpperOverSetBased = 1.5;
constexpr double MaxUpperOverSetBasedMid = 2;
constexpr double MoonshotUpperOverSetBased = 1.2;
constexpr double MaxIndexedOverSetBased = 4;
constexpr double MinProperRowsPerSecond = 250000;
// The window run, click to "Done.", over the set-based UPDATE of the same table size.
constexpr double MaxWindowOverSetBased = 2.5;
// Name Case's rules cost more than Proper Case's; its run keeps at least this share of p's speed.
constexpr double MinNameOverProperSpeed = 0.5;
constexpr double MaxClientMicrosPerRow = 3;
// The server's CPU per row a change run writes, over the set-based statement's.
constexpr double MaxServerOverSetBased = 1.5;
constexpr double MaxJournalOverhead = 0.10;
constexpr double MaxPeakGrowthMiB = 24;
constexpr double MaxGrowthPer10x = 11;
constexpr double MaxFirstCommitSeconds = 0.25;
constexpr double MaxStatementsPerRow = 1.0 / 50;
// Below this size a run's fixed statements (connecting, reading the column's type) outweigh
// its rows: the statements goal is for tables at least this large.
constexpr int StatementsGoalFromRows = 10000;

// The change runs measured at every size of --rows.
const char* const SizedChangeRuns[] = {"a", "ai", "an", "p", "pi"};
const char* const ChangeRuns[] = {"a", "ai", "an", "p", "pi", "aw"};

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

// The window run (aw) from the click to "Done." over the set-based UPDATE (c) of its size.
void WindowGoal(const Results& results) {
    const QList<int> sizes = results.Rows(QStringLiteral("aw"));
    const int rows = sizes.isEmpty() ? 0 : sizes.last();
    const auto median = rows > 0 ? results.Median(rows, QStringLiteral("aw")) : std::nullopt;
    const double setBased = rows > 0 ? results.Wall(rows, QStringLiteral("c")) : -1;
    const bool measured =
        median && median->faults.isEmpty() && median->doneSeconds >= 0 && setBased > 0;
    const double ratio = measured ? median->doneSeconds / setBased : -1;
    Goal(QStringLiteral("window, UPPER (aw/c): click to \"Done.\""),
         QStringLiteral("%1x (%2 s against %3 s) at %4 rows")
             .arg(ratio, 0, 'f', 2)
             .arg(measured ? median->doneSeconds : 0, 0, 'f', 1)
             .arg(setBased, 0, 'f', 1)
             .arg(Rows(rows)),
         QStringLiteral("<= %1x").arg(MaxWindowOverSetBased), measured,
         ratio <= MaxWindowOverSetBased);
}

// The largest size run a was measured at.
int LargestRows(const Results& results, const char* run) {
    const QList<int> sizes = results.Rows(QLatin1String(run));
    return sizes.isEmpty() ? 0 : sizes.last();
}

// The client's whole CPU per row of run a, with each stage's share, at its largest size.
void ClientCpuGoal(const Results& results) {
    const int rows = LargestRows(results, "a");
    const auto median = rows > 0 ? results.Median(rows, QStringLiteral("a")) : std::nullopt;
    const bool measured = median && median->faults.isEmpty() && median->stageCpu.read >= 0;
    const auto perRow = [&](double seconds) { return seconds * 1e6 / rows; };
    const double client = measured ? perRow(median->timing.client) : -1;
    QString measure;
    if (measured) {
        const StageSeconds& stage = median->stageCpu;
        const double convert = median->ConvertSeconds();
        measure = QStringLiteral("%1 µs (r %2, c %3, j %4, w %5) at %6")
                      .arg(client, 0, 'f', 2)
                      .arg(perRow(stage.read), 0, 'f', 1)
                      .arg(perRow(convert), 0, 'f', 1)
                      .arg(perRow(stage.journal), 0, 'f', 1)
                      .arg(perRow(stage.write), 0, 'f', 1)
                      .arg(Rows(rows));
    }
    Goal(QStringLiteral("client CPU per row, a at its largest size"), measure,
         QStringLiteral("<= %1 µs").arg(MaxClientMicrosPerRow), measured,
         client <= MaxClientMicrosPerRow);
}

// The server's CPU per row of run a over that of the set-based UPDATE, at a's largest size.
void ServerCpuGoal(const Results& results) {
    const int rows = LargestRows(results, "a");
    const auto change = rows > 0 ? results.Median(rows, QStringLiteral("a")) : std::nullopt;
    const auto setBased = rows > 0 ? results.Median(rows, QStringLiteral("c")) : std::nullopt;
    const bool measured = change && setBased && change->timing.server > 0 &&
                          setBased->timing.server > 0 && change->faults.isEmpty();
    const double ratio = measured ? change->timing.server / setBased->timing.server : -1;
    Goal(QStringLiteral("server CPU per row, a over c, a at its largest size"),
         QStringLiteral("%1x (%2 against %3 µs) at %4")
             .arg(ratio, 0, 'f', 2)
             .arg(measured ? change->timing.server * 1e6 / rows : 0, 0, 'f', 2)
             .arg(measured ? setBased->timing.server * 1e6 / rows : 0, 0, 'f', 2)
             .arg(Rows(rows)),
         QStringLiteral("<= %1x").arg(MaxServerOverSetBased), measured,
         ratio <= MaxServerOverSetBased);
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
    ClientCpuGoal(results);
    ServerCpuGoal(results);
    JournalOverheadGoal(results);
    PeakGoal(results);
    GrowthGoal(results);
    FirstCommitGoal(huge);
    StatementsGoal(results);
}

} // namespace bench
