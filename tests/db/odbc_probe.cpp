#include "db/oracle.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

// Prints "CANCONNECT TESTSUCCEEDS" (1 or 0 each) for the profile SID USER PASSWORD. Tests run
// it as a child process where they change the driver registrations, because the ODBC driver
// manager keeps the registrations it has read for the rest of a process.
int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4)
        return 2;
    const ConnectionProfile profile{arguments[1], arguments[2], arguments[3]};
    std::printf("%d %d\n", Oracle::CanConnect(profile), Oracle::ConnectionTestSucceeds(profile));
    return 0;
}
