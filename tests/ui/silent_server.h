#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <thread>

namespace fixture {

// A server on 127.0.0.1 that accepts connections and never answers; after hangUpAfterMs
// (when not negative) it closes each one. It runs on a thread of its own, so it keeps
// accepting and hanging up also while the test's window thread is blocked.
class SilentServer {
public:
    explicit SilentServer(int hangUpAfterMs = -1);
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    quint16 port() const { return port_; }

private:
    void Serve(int hangUpAfterMs);

    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Points the driver (PGPORT) at another port for its lifetime.
class PortScope {
public:
    explicit PortScope(quint16 port);
    ~PortScope();
    PortScope(const PortScope&) = delete;
    PortScope& operator=(const PortScope&) = delete;

private:
    QByteArray saved_;
};

} // namespace fixture
