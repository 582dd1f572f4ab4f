#pragma once

#include <QString>

// The SID, user name and password, used exactly as typed.
struct ConnectionProfile {
    QString sid;
    QString user;
    QString password;
};

// "Driver={Microsoft ODBC for Oracle};Server=SID;Uid=USER;Pwd=PASSWORD;"
QString OdbcConnectionString(const ConnectionProfile& profile);

// "Provider=OraOLEDB.Oracle;Data Source=SID;User Id=USER;Password=PASSWORD;"
QString OleDbConnectionString(const ConnectionProfile& profile);

// A value as it stands in a connection string: unchanged, unless it holds ';', '=', '{' or
// '}', which would let it split or rewrite the string; then it is wrapped in braces with
// every '}' doubled.
QString ConnectionStringValue(const QString& value);
