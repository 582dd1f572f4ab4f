#include "benchmark.h"

#include "bench_report.h"
#include "bench_table.h"
#include "db/recordset.h"
#include "db/sql_text.h"
#include "expected_table.h"
#include "run_kinds.h"
#include "statement_log.h"

#include <algorithm>

namespace {

QString TableName(const QString& run, int rows) {
    return QStringLiteral("BENCH_%1_%2").arg(run.toUpper()).arg(rows);
}

// The table of the Esc measure, and where in its run the key is pressed.
constexpr int EscRows = 100000;
constexpr double EscPercent = 50;
constexpr double MaxEscSeconds = 2;

// The order of the runs at one size: the set-based table first, as the UPPER runs' reference.
const char* const SizeRuns[] = {"c", "ci", "a", "ai", "an", "p", "n", "pi", "b"};

} // namespace

bool Benchmark::Run() {
    CheckStatementLog();
    bench::PrintRunHeading();
    for (int repetition = 1; repetition <= options_.repeat; ++repetition) {
        for (int rows : options_.rows)
            RunSize(rows, repetition);
        if (options_.windowRows > 0)
            RunWindow(repetition);
    }
    if (options_.hugeRows > 0)
        RunHuge();
    if (options_.repeat > 1)
        bench::PrintMedians(results_, options_.repeat);
    bench::PrintSummary(results_);
    bench::PrintGoals(results_, huge_);
    PrintEscGoal();
    bench::PrintLine(QString());
    return !failed_;
}

void Benchmark::CheckStatementLog() {
    constexpr int rows = 10000;
    const QString table = TableName(QStringLiteral("log"), rows);
    bench::CreateFilledTable(setup_, table, rows, false);
    QSet<QString> values;
    for (db::Recordset read =
             setup_.Execute(QStringLiteral("SELECT %1 FROM %2")
                                .arg(QuoteIdentifier(bench::NameColumn), QuoteIdentifier(table)));
         !read.Eof(); read.MoveNext()) {
        const QString value = read.GetFields()[0].Value().toString();
        values.insert(value);
        values.insert(value.toUpper());
    }
    bench::StatementLog log(admin_, user_.user);
    const bench::RunOutcome outcome =
        bench::TimeChangeRun(user_, table, bench::ChangeRunSetup(), meters_);
    const bench::StatementLogFigures figures = log.Read(values);
    Drop(table);
    failed_ = failed_ || !outcome.faults.isEmpty();
    bench::PrintLine(
        figures.available
            ? QStringLiteral("Statement log of an UPPER run of %1 rows (log_statement = all): %2 "
                             "statements, %3 distinct write texts, %4 with a column value in "
                             "their text%5")
                  .arg(rows)
                  .arg(figures.statements)
                  .arg(figures.writeTexts)
                  .arg(figures.withValues)
                  .arg(figures.example.isEmpty() ? QString()
                                                 : QStringLiteral(", e.g. ") + figures.example)
            : QStringLiteral("Statement log not read: ") + figures.why);
    bench::Goal(QStringLiteral("column values in statement texts, 10,000-row run"),
                QString::number(figures.withValues), QStringLiteral("none"), figures.available,
                figures.withValues == 0);
    bench::Goal(QStringLiteral("distinct statement texts that write, 10,000-row run"),
                QString::number(figures.writeTexts), QStringLiteral("at most 3"), figures.available,
                figures.writeTexts <= 3);
    bench::PrintLine(QString());
}

bool Benchmark::NeedsUpperReference() const {
    return Wanted(QStringLiteral("a")) || Wanted(QStringLiteral("ai")) ||
           Wanted(QStringLiteral("an")) || Wanted(QStringLiteral("b"));
}

void Benchmark::RunSize(int rows, int repetition) {
    const QString reference = TableName(QStringLiteral("c"), rows);
    for (const char* name : SizeRuns) {
        const QString run = QLatin1String(name);
        if (run == QLatin1String("c")) {
            if (Wanted(run))
                RunOne(rows, run, repetition, reference);
            else if (NeedsUpperReference()) {
                // Not timed: only the reference the UPPER change runs are checked against.
                bench::CreateFilledTable(setup_, reference, rows, false);
                setup_.Execute(
                    QStringLiteral("UPDATE %1 SET %2 = UPPER(%2)")
                        .arg(QuoteIdentifier(reference), QuoteIdentifier(bench::NameColumn)));
            }
        } else if (Wanted(run) && (run != QLatin1String("b") || rows <= options_.literalLimit)) {
            RunOne(rows, run, repetition, reference);
        }
    }
    Drop(reference);
}

void Benchmark::RunWindow(int repetition) {
    // The set-based UPPER at the same size: the window run's reference, and its goal's.
    const int rows = options_.windowRows;
    const QString reference = TableName(QStringLiteral("c"), rows);
    RunOne(rows, QStringLiteral("c"), repetition, reference);
    RunOne(rows, QStringLiteral("aw"), repetition, reference);
    Drop(reference);
    RunEsc();
}

void Benchmark::RunEsc() {
    const QString table = TableName(QStringLiteral("esc"), EscRows);
    bench::CreateFilledTable(setup_, table, EscRows, false);
    const double seconds = bench::TimeEscToMessage(user_, table, EscPercent);
    Drop(table);
    escSeconds_.append(seconds);
    bench::PrintLine(seconds < 0 ? QStringLiteral("Esc at %1% of a window run of %2 rows: the run "
                                                  "did not stop")
                                       .arg(EscPercent)
                                       .arg(EscRows)
                                 : QStringLiteral("Esc at %1% of a window run of %2 rows: stopped "
                                                  "%3 s after the key")
                                       .arg(EscPercent)
                                       .arg(EscRows)
                                       .arg(seconds, 0, 'f', 3));
}

void Benchmark::PrintEscGoal() const {
    if (escSeconds_.isEmpty())
        return;
    QList<double> sorted = escSeconds_;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const bool stopped = sorted.first() >= 0;
    bench::Goal(
        QStringLiteral("window: Esc to the stop message"),
        stopped
            ? QStringLiteral("%1 s at %2% of 100,000 rows").arg(median, 0, 'f', 3).arg(EscPercent)
            : QStringLiteral("a run did not stop"),
        QStringLiteral("< 2 s"), true, stopped && median < MaxEscSeconds);
}

void Benchmark::RunHuge() {
    const int rows = options_.hugeRows;
    const QString table = TableName(QStringLiteral("huge"), rows);
    bench::CreateFilledTable(setup_, table, rows, false);
    bench::ChangeRunSetup setup;
    setup.stopAtFirstCommit = true;
    huge_ = {rows, bench::TimeChangeRun(user_, table, setup, meters_)};
    // Its table is left part written: only the run's own faults count.
    bench::PrintRunLine(rows, QStringLiteral("a"), huge_.outcome, QStringLiteral("huge"));
    failed_ = failed_ || !huge_.outcome.faults.isEmpty();
    Drop(table);
}

void Benchmark::RunOne(int rows, const QString& run, int repetition,
                       const QString& upperReference) {
    const bench::RunKind& kind = *bench::FindRunKind(run);
    const QString table = TableName(run, rows);
    const QString expected = table + QStringLiteral("_EXPECTED");
    bench::CreateFilledTable(setup_, table, rows, kind.indexed);
    // UPPER runs are checked against the set-based UPPER, the others against the program's rules.
    const bool ownRules = kind.mode != Case::CaseMode::Upper;
    if (ownRules)
        bench::CreateExpectedTable(setup_, table, expected, kind.mode);

    bench::RunOutcome outcome;
    if (kind.changeRun) {
        bench::ChangeRunSetup setup;
        setup.caseBox = Case::ModeText(kind.mode);
        setup.journal = kind.journal;
        setup.window = kind.window;
        outcome = bench::TimeChangeRun(user_, table, setup, meters_);
    } else if (run == QLatin1String("b")) {
        outcome = bench::TimeLiteralStatements(user_, table, meters_);
    } else {
        outcome = bench::TimeSetBased(user_, table, meters_);
    }
    Record(rows, run, repetition, outcome);

    if (ownRules) {
        Check(table, expected);
        Drop(expected);
    } else if (run == QLatin1String("b")) {
        bench::PrintLine(QStringLiteral("          (b) leaves %1 of %2 rows other than UPPER")
                             .arg(bench::CountDifferences(setup_, table, upperReference))
                             .arg(rows));
    } else if (kind.changeRun) {
        Check(table, upperReference);
    }
    if (run != QLatin1String("c"))
        Drop(table);
}

void Benchmark::Record(int rows, const QString& run, int repetition,
                       const bench::RunOutcome& outcome) {
    bench::PrintRunLine(rows, run, outcome,
                        options_.repeat > 1 ? QStringLiteral("#%1").arg(repetition) : QString());
    results_.Add(rows, run, outcome);
    failed_ = failed_ || !outcome.faults.isEmpty();
}

void Benchmark::Check(const QString& changed, const QString& expected) {
    const qint64 differences = bench::CountDifferences(setup_, changed, expected);
    if (differences == 0)
        return;
    failed_ = true;
    bench::PrintLine(QStringLiteral("CHECK FAILED: %1 rows of %2 differ from %3, for example:")
                         .arg(differences)
                         .arg(changed, expected));
    for (const QString& line : bench::SampleDifferences(setup_, changed, expected, 5))
        bench::PrintLine(QStringLiteral("  ") + line);
}

void Benchmark::Drop(const QString& table) {
    setup_.Execute(QStringLiteral("DROP TABLE IF EXISTS ") + QuoteIdentifier(table));
}
