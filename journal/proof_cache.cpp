#include "journal/proof_cache.h"

#include "journal/journal_files.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>
#include <sys/stat.h>

namespace journal {

namespace {

constexpr auto FileName = "proofs";
constexpr auto Magic = "proofs 1";

QString StatKey(const QString& path) {
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("-");
    return QStringLiteral("%1.%2.%3.%4.%5.%6")
        .arg(status.st_size)
        .arg(status.st_mtim.tv_sec)
        .arg(status.st_mtim.tv_nsec)
        .arg(status.st_ctim.tv_sec)
        .arg(status.st_ctim.tv_nsec)
        .arg(status.st_ino);
}

} // namespace

ProofCache::ProofCache(const QString& folder) : folder_(folder) {
    QFile file(folder_ + QLatin1Char('/') + QLatin1String(FileName));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QTextStream in(&file);
    if (in.readLine() != QLatin1String(Magic))
        return;
    // One journal a line: id, key, the counts, then the damage (the rest of the line).
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.size() < 7)
            continue;
        Verdict verdict;
        verdict.counts = {fields[2].toLongLong(), fields[3].toLongLong(), fields[4].toLongLong(),
                          fields[5].toLongLong(), fields[6].toLongLong()};
        verdict.damage = fields.mid(7).join(QLatin1Char(' '));
        verdicts_.insert(fields[0].toLongLong(), {fields[1], verdict});
    }
}

ProofCache::~ProofCache() {
    if (!changed_)
        return;
    // A cache that cannot be written costs only time.
    const mode_t mask = ::umask(077);
    QSaveFile file(folder_ + QLatin1Char('/') + QLatin1String(FileName));
    if (file.open(QIODevice::WriteOnly)) {
        QTextStream out(&file);
        out << Magic << '\n';
        for (auto it = verdicts_.cbegin(); it != verdicts_.cend(); ++it) {
            if (!QFile::exists(files::PathOf(folder_, it.key())))
                continue;
            const auto& [key, verdict] = it.value();
            const EntryCounts& counts = verdict.counts;
            out << it.key() << ' ' << key << ' ' << counts.entries << ' ' << counts.written << ' '
                << counts.notWritten << ' ' << counts.pending << ' ' << counts.uncommitted;
            if (!verdict.damage.isEmpty())
                out << ' ' << QString(verdict.damage).replace(QLatin1Char('\n'), QLatin1Char(' '));
            out << '\n';
        }
        out.flush();
        file.commit();
    }
    ::umask(mask);
}

ProofCache::Key ProofCache::KeyOf(qint64 id) const {
    const QString path = files::PathOf(folder_, id);
    return StatKey(path) + QLatin1Char('/') + StatKey(path + QLatin1String("-wal"));
}

std::optional<ProofCache::Verdict> ProofCache::Find(qint64 id, const Key& key) const {
    const auto found = verdicts_.constFind(id);
    if (found == verdicts_.cend() || found->first != key)
        return std::nullopt;
    return found->second;
}

void ProofCache::Store(qint64 id, const Key& key, const Verdict& verdict) {
    verdicts_.insert(id, {key, verdict});
    changed_ = true;
}

} // namespace journal
