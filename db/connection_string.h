#pragma once

#include <QList>
#include <QString>

// Reading connection strings, for the connection's translation of the OLE DB form.
namespace db {

struct ConnectionStringPair {
    QString key;
    QString value; // braces removed, "}}" read as "}"
};

// The name=value pairs in order. ';' separates pairs and the first '=' ends the name; a value
// that starts with '{' runs to the '}' that is not doubled and may hold ';', '=' and "}}".
QList<ConnectionStringPair> ParseConnectionString(const QString& text);

// "Provider=NAME;Data Source=S;User Id=U;Password=P;" as the ODBC string for the driver
// registered as NAME: "Driver={NAME};Server=S;DBQ=S;Uid=U;Pwd=P;" (other pairs kept, values
// quoted where needed). A string without a Provider pair comes back unchanged.
QString OdbcFormOf(const QString& connectionString);

} // namespace db
