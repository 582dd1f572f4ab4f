#include "cpu_clock.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <chrono>
#include <ctime>
#include <unistd.h>

namespace bench {

namespace {

double WallSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// The fields of /proc/PID/stat after the command name, from field 3 (state) on.
QList<QByteArray> StatFields(const QString& pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    const qsizetype nameEnd = stat.lastIndexOf(')'); // the name may hold spaces
    if (nameEnd < 0)
        return {};
    return stat.mid(nameEnd + 2).split(' ');
}

// Indexes into StatFields: field number minus 3.
constexpr int StateField = 3 - 3;
constexpr int ParentField = 4 - 3;
constexpr int UserTimeField = 14 - 3;
constexpr int ChildrenSystemTimeField = 17 - 3;

double Ticks(const QList<QByteArray>& fields, int first, int last) {
    double ticks = 0;
    for (int field = first; field <= last && field < fields.size(); ++field)
        ticks += fields[field].toDouble();
    return ticks;
}

} // namespace

double ClientCpuSeconds() {
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
}

ServerCpu::ServerCpu(pid_t sessionProcess) {
    const QList<QByteArray> fields = StatFields(QString::number(sessionProcess));
    if (fields.size() > ParentField)
        server_ = static_cast<pid_t>(fields[ParentField].toLong());
}

double ServerCpu::Seconds() const {
    if (!Available())
        return -1;
    // An ended session process shows no CPU time until the main process collects it (then
    // its time moves to the main process's children total): wait for that moment.
    for (int attempt = 0;; ++attempt) {
        bool ending = false;
        const double seconds = Sum(&ending);
        if (!ending || attempt == 1000)
            return seconds;
        usleep(1000);
    }
}

double ServerCpu::Sum(bool* ending) const {
    const QByteArray server = QByteArray::number(server_);
    // The main process's own time and the time of the processes it has ended and collected.
    double ticks =
        Ticks(StatFields(QString::fromLatin1(server)), UserTimeField, ChildrenSystemTimeField);
    const QStringList processes =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : processes) {
        if (!pid.front().isDigit())
            continue;
        const QList<QByteArray> fields = StatFields(pid);
        if (fields.size() <= UserTimeField + 1 || fields[ParentField] != server)
            continue;
        if (fields[StateField] == "Z")
            *ending = true;
        ticks += Ticks(fields, UserTimeField, UserTimeField + 1);
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

Stopwatch::Stopwatch(const ServerCpu& server)
    : server_(server), serverCpu_(server.Seconds()), client_(ClientCpuSeconds()),
      wall_(WallSeconds()) {}

Timing Stopwatch::Elapsed() const {
    Timing timing;
    timing.wall = WallSeconds() - wall_;
    timing.client = ClientCpuSeconds() - client_;
    if (server_.Available())
        timing.server = server_.Seconds() - serverCpu_;
    return timing;
}

} // namespace bench
