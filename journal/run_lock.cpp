#include "journal/run_lock.h"

#include "journal/run_journal.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace journal {

namespace {

QString Reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

RunLock::~RunLock() {
    Release();
}

RunLock::RunLock(RunLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)),
      held_(std::exchange(other.held_, false)) {}

RunLock& RunLock::operator=(RunLock&& other) noexcept {
    if (this != &other) {
        Release();
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        held_ = std::exchange(other.held_, false);
    }
    return *this;
}

void RunLock::Release() noexcept {
    if (fd_ >= 0)
        ::close(fd_); // closing the only descriptor drops the lock
    fd_ = -1;
    held_ = false;
}

RunLock RunLock::Reserve(const QString& path) {
    RunLock lock;
    lock.path_ = path;
    lock.fd_ =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lock.fd_ < 0) {
        if (errno == EEXIST)
            return lock;
        throw Error(QStringLiteral("Cannot create the lock file %1: %2").arg(path, Reason()));
    }
    // Nobody else can hold it yet; pruning may try it at once and must find it taken.
    while (::flock(lock.fd_, LOCK_EX) != 0) {
        if (errno != EINTR)
            throw Error(QStringLiteral("Cannot lock %1: %2").arg(path, Reason()));
    }
    lock.held_ = true;
    return lock;
}

RunLock RunLock::Try(const QString& path, bool exclusive) {
    RunLock lock;
    lock.path_ = path;
    lock.fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock.fd_ < 0) {
        lock.held_ = true;
        return lock;
    }
    int result = 0;
    do {
        result = ::flock(lock.fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        lock.Release();
        return lock;
    }
    lock.held_ = true;
    return lock;
}

void RunLock::RemoveFile() {
    if (held_ && fd_ >= 0)
        QFile::remove(path_);
}

} // namespace journal
