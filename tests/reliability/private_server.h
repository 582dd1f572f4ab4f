#pragma once

#include <QString>

namespace reliability {

// A test server of the test's own, in a folder of its own, that the test may stop and start
// again (the shared server of the CTest run must stay up for the other tests). It runs
// tools/testdb.sh and, like it, pg_ctl as the postgres system user when root.
class PrivateServer {
public:
    explicit PrivateServer(const QString& folder);
    ~PrivateServer(); // stops the server if it still runs
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // A fresh server with its settings in folder/env; throws std::runtime_error on failure.
    void Start();
    // The server killed the way a crash or an immediate shutdown ends it: no session is told.
    void StopImmediately();
    // The stopped server started again on its data folder and port.
    void Restart();
    // Stops the server and removes the folder; never throws.
    void Remove();

    QString EnvFile() const;

private:
    QString Setting(const QString& name) const;
    QString DataFolder() const;
    void PgCtl(const QStringList& arguments) const;

    QString folder_;
    bool started_ = false;
};

} // namespace reliability
