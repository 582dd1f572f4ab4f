#pragma once

#include <QString>

// The advisory lock (flock) on the lock file beside a journal, run-NNNNNN.lock. The run that
// writes the journal holds it exclusively for its whole life; a reader (undo) holds it
// shared; pruning takes it exclusively, without waiting, before it removes a journal. The
// system drops the lock when its holder ends, however it ends: a journal whose lock is free
// and whose header has no end belongs to a run that was killed or closed mid-way.
namespace journal {

class RunLock {
public:
    RunLock() = default;
    ~RunLock();
    RunLock(RunLock&& other) noexcept;
    RunLock& operator=(RunLock&& other) noexcept;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Creates the lock file, which must not exist yet, and locks it exclusively: the
    // reservation of a new journal's number. An unheld lock when the file exists already.
    static RunLock Reserve(const QString& path);
    // Locks an existing journal's lock file (created when missing) without waiting. An
    // unheld lock when another holder's lock excludes it. When the file can be neither
    // opened nor created (a read-only folder) the lock counts as held though nothing is
    // locked: no run can be writing there.
    static RunLock Try(const QString& path, bool exclusive);

    bool Held() const { return held_; }
    // Removes the lock file (while the lock is held, before the journal's files go).
    void RemoveFile();

private:
    void Release() noexcept;

    QString path_;
    int fd_ = -1;
    bool held_ = false;
};

} // namespace journal
