#include "private_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <stdexcept>
#include <unistd.h>

#ifndef TESTDB_SCRIPT
#error "TESTDB_SCRIPT must name tools/testdb.sh"
#endif

namespace reliability {

namespace {

// Runs a command to its end; its output when it succeeded, else throws with its errors.
QByteArray RunCommand(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        throw std::runtime_error(program.toStdString() + " did not run to its end");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error(program.toStdString() + ": " +
                                 process.readAllStandardError().toStdString());
    return process.readAllStandardOutput();
}

} // namespace

PrivateServer::PrivateServer(const QString& folder) : folder_(QDir(folder).absolutePath()) {}

PrivateServer::~PrivateServer() {
    Remove();
}

void PrivateServer::Start() {
    started_ = true;
    RunCommand(QStringLiteral(TESTDB_SCRIPT), {QStringLiteral("start"), folder_});
}

void PrivateServer::StopImmediately() {
    PgCtl({QStringLiteral("stop"), QStringLiteral("-m"), QStringLiteral("immediate"),
           QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60")});
}

void PrivateServer::Restart() {
    PgCtl({QStringLiteral("start"), QStringLiteral("-w"), QStringLiteral("-t"),
           QStringLiteral("60"), QStringLiteral("-l"),
           DataFolder() + QStringLiteral("/../server.log"), QStringLiteral("-o"),
           QStringLiteral("-p ") + Setting(QStringLiteral("PGPORT"))});
}

void PrivateServer::Remove() {
    if (!started_)
        return;
    started_ = false;
    try {
        RunCommand(QStringLiteral(TESTDB_SCRIPT), {QStringLiteral("stop"), folder_});
    } catch (const std::exception&) {
        // Nothing more can be done here; the CTest clean-up stops it again.
    }
}

QString PrivateServer::EnvFile() const {
    return folder_ + QStringLiteral("/env");
}

QString PrivateServer::Setting(const QString& name) const {
    QFile file(EnvFile());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("no settings file in " + folder_.toStdString());
    const QByteArray prefix = name.toUtf8() + '=';
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(prefix.size()));
    }
    throw std::runtime_error("no " + name.toStdString() + " in " + EnvFile().toStdString());
}

// testdb.sh keeps the cluster in the folder itself or, when it names one in cluster-dir,
// there.
QString PrivateServer::DataFolder() const {
    QFile elsewhere(folder_ + QStringLiteral("/cluster-dir"));
    if (elsewhere.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString::fromUtf8(elsewhere.readAll().trimmed()) + QStringLiteral("/data");
    return folder_ + QStringLiteral("/data");
}

void PrivateServer::PgCtl(const QStringList& arguments) const {
    const QString binaries = qEnvironmentVariable("TESTDB_PGBIN", "/usr/lib/postgresql/15/bin");
    QStringList command = {binaries + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                           DataFolder()};
    command += arguments;
    // PostgreSQL refuses to run as root.
    if (::geteuid() == 0)
        command =
            QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} +
            command;
    const QString program = ::geteuid() == 0 ? QStringLiteral("runuser") : command.takeFirst();
    RunCommand(program, command);
}

} // namespace reliability
