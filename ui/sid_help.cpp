#include "ui/sid_help.h"

namespace SidHelp {

QString Introduction() {
    return QStringLiteral("This software works with Oracle 9i or higher.") +
           QStringLiteral("\r\r") +
           QStringLiteral("The SID is used to identify a particular database. The SID is usually "
                          "defined in the TNSNAMES.ORA file. The TNSNAMES.ORA file found in my "
                          "Oracle 9i folder looks like:");
}

QString Break() {
    return QStringLiteral("\r\n\r\n");
}

QStringList SampleLines() {
    // The host is a documentation address, never a real one.
    return {QStringLiteral("ZEDB ="),
            QStringLiteral(" (DESCRIPTION ="),
            QStringLiteral("   (ADDRESS_LIST ="),
            QStringLiteral("     (ADDRESS = (PROTOCOL = TCP)(HOST = 192.0.2.10)(PORT = 1521))"),
            QStringLiteral("   )"),
            QStringLiteral("   (CONNECT_DATA ="),
            QStringLiteral("     (SID = ZEDB)"),
            QStringLiteral("   )"),
            QStringLiteral(" )")};
}

QString JoinSample(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

QString Conclusion() {
    return QStringLiteral("Therefore, my SID would be ZEDB");
}

QString ClobNote() {
    return QStringLiteral("This software does not support the CLOB and NLOB data type in Oracle.");
}

} // namespace SidHelp
