#include "machine.h"

#include <QFile>
#include <QRegularExpression>
#include <unistd.h>

namespace {

QByteArray ReadFile(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The value of the first line "key<space or tab>: value" of a /proc file.
QString ProcValue(const char* path, const QString& key) {
    const QRegularExpression line(
        QStringLiteral("^%1\\s*:\\s*(.*)$").arg(QRegularExpression::escape(key)),
        QRegularExpression::MultilineOption);
    const auto match = line.match(QString::fromUtf8(ReadFile(path)));
    return match.hasMatch() ? match.captured(1).trimmed() : QStringLiteral("unknown");
}

} // namespace

QStringList DescribeMachine() {
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    const QString memory = ProcValue("/proc/meminfo", QStringLiteral("MemTotal"));
    bool ok = false;
    const double kib = memory.section(QLatin1Char(' '), 0, 0).toDouble(&ok);
    const QStringList load = QString::fromLatin1(ReadFile("/proc/loadavg")).split(QLatin1Char(' '));
    return {
        QStringLiteral("processors (nproc): %1").arg(processors),
        QStringLiteral("CPU model:          %1")
            .arg(ProcValue("/proc/cpuinfo", QStringLiteral("model name"))),
        QStringLiteral("memory:             %1")
            .arg(ok ? QStringLiteral("%1 GiB").arg(kib / 1024.0 / 1024.0, 0, 'f', 1) : memory),
        QStringLiteral("load average:       %1 (1, 5, 15 min, at start)")
            .arg(load.mid(0, 3).join(QStringLiteral(", "))),
    };
}
