#include "db/odbc_diagnostics.h"

#include <QStringList>
#include <vector>

namespace db::odbc {

Error DiagnosticError(SQLSMALLINT handleType, SQLHANDLE handle, const char* call,
                      SQLHDBC connection) {
    QStringList messages;
    QString firstState;
    int firstCode = 0;
    std::vector<SQLWCHAR> text(1024);
    for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        SQLRETURN result =
            SQLGetDiagRecW(handleType, handle, record, state, &nativeError, text.data(),
                           static_cast<SQLSMALLINT>(text.size()), &length);
        if (result == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<std::size_t>(length) + 1);
            result = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, text.data(),
                                    static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (!Succeeded(result))
            break;
        if (record == 1) {
            firstState = FromWide(state, 5);
            firstCode = static_cast<int>(nativeError);
        }
        QString message = FromWide(text.data(), length);
        while (!message.isEmpty() && message.back().isSpace())
            message.chop(1);
        messages.append(message);
    }
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (connection != SQL_NULL_HDBC &&
        !Succeeded(SQLGetConnectAttrW(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)))
        dead = SQL_CD_FALSE;
    if (messages.isEmpty())
        messages.append(
            QStringLiteral("%1 failed without a diagnostic record").arg(QLatin1String(call)));
    return Error(messages.join(QLatin1Char('\n')), firstState, dead == SQL_CD_TRUE, firstCode);
}

} // namespace db::odbc
