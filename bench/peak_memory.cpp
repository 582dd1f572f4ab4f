#include "peak_memory.h"

#include <QFile>
#include <malloc.h>

namespace bench {

bool ResetPeakMemory() {
    // Without the trim, memory an earlier step freed but the allocator kept would raise the
    // starting point of the next run's peak.
    malloc_trim(0);
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

double PeakMemoryMiB() {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            // "VmHWM:     12345 kB"
            const QList<QByteArray> parts = line.simplified().split(' ');
            bool ok = false;
            const double kib = parts.size() >= 2 ? parts[1].toDouble(&ok) : 0;
            return ok ? kib / 1024.0 : -1;
        }
    }
    return -1;
}

} // namespace bench
