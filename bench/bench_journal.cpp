// bench_journal: the run journal alone, as a change run uses it: each group of rows appended
// pending, then settled written, then its commit recorded; the client CPU (and wall time) per
// row, with the sync before each COMMIT off and on. No database server is involved.
//
//   bench_journal [--rows N] [--group N] [--repeat N] [--sync on|off|both]

#include "journal/run_journal.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

struct Options {
    int rows = 200000;
    int group = 1000; // as GroupWriter::GroupRows
    int repeat = 5;
    QList<bool> syncs = {false, true};
};

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double WallSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// An 18-character address as Oracle's ROWID, distinct per row.
QString Address(qint64 row) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QString id(18, QLatin1Char('A'));
    for (int i = 17; i >= 9 && row > 0; --i, row /= 64)
        id[i] = QLatin1Char(digits[row % 64]);
    return id;
}

// The groups of the run, made before the clock starts.
std::vector<std::vector<journal::Entry>> Groups(const Options& options) {
    static const QStringList names = {
        QStringLiteral("anna mcGregor"), QStringLiteral("Émile O'Brien"),
        QStringLiteral("head of SALES"), QStringLiteral("the Old Man and the sea")};
    std::vector<std::vector<journal::Entry>> groups;
    for (qint64 first = 0; first < options.rows; first += options.group) {
        std::vector<journal::Entry> group;
        for (qint64 row = first; row < std::min<qint64>(first + options.group, options.rows);
             ++row) {
            const QString old = names[row % names.size()] + QString::number(row);
            group.emplace_back(row, Address(row), QString(), old, old.toUpper(),
                               journal::EntryState::Pending, QStringLiteral("NAME"));
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

struct Measure {
    double cpu = 0, wall = 0; // µs per row
};

Measure Run(const Options& options, std::vector<std::vector<journal::Entry>> groups, bool sync) {
    journal::SetSyncBeforeCommit(sync);
    journal::RunHeader header;
    header.table = QStringLiteral("PEOPLE");
    header.column = QStringLiteral("NAME");
    header.mode = QStringLiteral("UPPER");
    auto run = journal::RunJournal::Create(header);
    const double cpu = CpuSeconds(), wall = WallSeconds();
    for (std::vector<journal::Entry>& group : groups) {
        const qint64 number = run->AppendPending(group);
        for (journal::Entry& entry : group) {
            entry.group = number;
            entry.state = journal::EntryState::Written;
            entry.idAfter = entry.idBefore;
        }
        run->Settle(group, false);
        run->SyncToDisk();
        run->Committed(group);
    }
    Measure measure{(CpuSeconds() - cpu) * 1e6 / options.rows,
                    (WallSeconds() - wall) * 1e6 / options.rows};
    journal::RowCounts counts;
    counts.read = counts.written = options.rows;
    run->Finish(counts, false);
    const qint64 id = run->Id();
    run.reset();
    journal::RunJournal::Forget(id);
    return measure;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool Parse(const QStringList& arguments, Options& options) {
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        const QString& value = arguments[i + 1];
        bool ok = true;
        if (name == QLatin1String("--rows"))
            options.rows = value.toInt(&ok);
        else if (name == QLatin1String("--group"))
            options.group = value.toInt(&ok);
        else if (name == QLatin1String("--repeat"))
            options.repeat = value.toInt(&ok);
        else if (name == QLatin1String("--sync") && value == QLatin1String("on"))
            options.syncs = {true};
        else if (name == QLatin1String("--sync") && value == QLatin1String("off"))
            options.syncs = {false};
        else if (name != QLatin1String("--sync") || value != QLatin1String("both"))
            return false;
        if (!ok)
            return false;
    }
    return arguments.size() % 2 == 1 && options.rows > 0 && options.group > 0 && options.repeat > 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!Parse(app.arguments(), options)) {
        std::fputs("usage: bench_journal [--rows N] [--group N] [--repeat N] "
                   "[--sync on|off|both]\n",
                   stderr);
        return 2;
    }
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const auto groups = Groups(options);
    std::printf("journal alone: %d rows in groups of %d, %d times each; µs per row "
                "(median [min-max])\n",
                options.rows, options.group, options.repeat);
    // Alternated, so that both settings see the same state of the machine.
    std::vector<std::vector<Measure>> measures(options.syncs.size());
    for (int r = 0; r < options.repeat; ++r) {
        for (qsizetype s = 0; s < options.syncs.size(); ++s)
            measures[s].push_back(Run(options, groups, options.syncs[s]));
    }
    for (qsizetype s = 0; s < options.syncs.size(); ++s) {
        std::vector<double> cpu, wall;
        for (const Measure& measure : measures[s]) {
            cpu.push_back(measure.cpu);
            wall.push_back(measure.wall);
        }
        std::printf("  sync %-3s  client CPU %6.2f [%.2f-%.2f]  wall %6.2f [%.2f-%.2f]\n",
                    options.syncs[s] ? "on" : "off", Median(cpu),
                    *std::min_element(cpu.begin(), cpu.end()),
                    *std::max_element(cpu.begin(), cpu.end()), Median(wall),
                    *std::min_element(wall.begin(), wall.end()),
                    *std::max_element(wall.begin(), wall.end()));
    }
    return 0;
}
