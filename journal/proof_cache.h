#pragma once

#include "journal/run_journal.h"

#include <QHash>
#include <QString>
#include <optional>

// What proving each journal of a folder found (or its writer knew when its run ended), kept
// in a small file beside them so that listing a full folder does not read every entry again.
// Each verdict is keyed by its journal's size, times and inode (and its write-ahead log's):
// any change to the file makes it stale.
namespace journal {

class ProofCache {
public:
    struct Verdict {
        QString damage; // empty when the journal proved complete
        // As read; for a journal its run ended, as its writer knew them (the header's count
        // of written rows, and its groups').
        EntryCounts counts;
    };
    // What identifies one state of a journal's files; empty when it does not exist.
    using Key = QString;

    explicit ProofCache(const QString& folder);
    // Writes the verdicts found or changed (of journals that still exist).
    ~ProofCache();
    ProofCache(const ProofCache&) = delete;
    ProofCache& operator=(const ProofCache&) = delete;

    Key KeyOf(qint64 id) const;
    // The verdict stored for the journal's files as they are now (`key`).
    std::optional<Verdict> Find(qint64 id, const Key& key) const;
    // Stores what proving the journal found, for its files as they were before (`key`).
    void Store(qint64 id, const Key& key, const Verdict& verdict);

private:
    QString folder_;
    QHash<qint64, std::pair<Key, Verdict>> verdicts_;
    bool changed_ = false;
};

} // namespace journal
