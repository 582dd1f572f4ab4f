#pragma once

#include <QString>

// The SID, user name and password, used exactly as typed.
struct ConnectionProfile {
    QString sid;
    QString user;
    QString password;
};

// "Driver={Microsoft ODBC for Oracle};Server=SID;DBQ=SID;Uid=USER;Pwd=PASSWORD;"
QString OdbcConnectionString(const ConnectionProfile& profile);

// "Provider=OraOLEDB.Oracle;Data Source=SID;User Id=USER;Password=PASSWORD;"
QString OleDbConnectionString(const ConnectionProfile& profile);

// A value as it stands in a connection string: unchanged, unless it holds ';', '{' or '}',
// which would let it split the string or be read as a quoted value; then it is wrapped in
// braces with every '}' doubled. A value with '=' (a user name, a connect descriptor
// "(DESCRIPTION=...)" as the SID) or with spaces at its ends goes in as it is: the driver
// takes it whole that way, and would take braces as part of it.
QString ConnectionStringValue(const QString& value);
