#include "db/connection_profile.h"

QString ConnectionStringValue(const QString& value) {
    // '=' needs no quoting: a pair's name ends at its first '=', so the rest belongs to the
    // value. Spaces at the ends need none either: psqlODBC and the driver manager keep them,
    // and braces would stay part of a user name or server (psqlODBC removes them from the
    // password only).
    const bool dangerous = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{')) ||
                           value.contains(QLatin1Char('}'));
    if (!dangerous)
        return value;
    QString doubled = value;
    doubled.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + doubled + QLatin1Char('}');
}

QString OdbcConnectionString(const ConnectionProfile& profile) {
    // Oracle's own driver reads the service name from DBQ and ignores Server; other drivers
    // read Server and ignore DBQ.
    const QString sid = ConnectionStringValue(profile.sid);
    return QLatin1String("Driver={Microsoft ODBC for Oracle};Server=") + sid +
           QLatin1String(";DBQ=") + sid + QLatin1String(";Uid=") +
           ConnectionStringValue(profile.user) + QLatin1String(";Pwd=") +
           ConnectionStringValue(profile.password) + QLatin1Char(';');
}

QString OleDbConnectionString(const ConnectionProfile& profile) {
    return QLatin1String("Provider=OraOLEDB.Oracle;Data Source=") +
           ConnectionStringValue(profile.sid) + QLatin1String(";User Id=") +
           ConnectionStringValue(profile.user) + QLatin1String(";Password=") +
           ConnectionStringValue(profile.password) + QLatin1Char(';');
}
