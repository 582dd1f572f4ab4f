#pragma once

#include "db/error.h"

#include <QString>
#include <sql.h>
#include <sqlext.h>

// Shared by the data layer's sources: wide text in and out of the ODBC API, and errors built
// from the diagnostic records of a handle.
namespace db::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16, as QChar is");

inline SQLWCHAR* Wide(const QString& text) {
    // The ODBC prototypes take non-const pointers to input texts they never write.
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

inline QString FromWide(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

inline bool Succeeded(SQLRETURN result) {
    return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO;
}

// A failed SQLMoreResults with this SQLSTATE means there are no further results: the driver
// cannot look for them (HYC00) or the driver manager found it without the function (IM001).
inline bool NoMoreResults(const QString& sqlState) {
    return sqlState == QLatin1String("HYC00") || sqlState == QLatin1String("IM001");
}

// Every diagnostic record of the handle as one error: the message texts joined by newlines,
// and the first record's SQLSTATE. Without records the text names the failed call. Given
// the connection the handle belongs to, the error also tells whether it has died.
Error DiagnosticError(SQLSMALLINT handleType, SQLHANDLE handle, const char* call,
                      SQLHDBC connection = SQL_NULL_HDBC);

// Throws DiagnosticError unless the call succeeded.
inline void Check(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char* call,
                  SQLHDBC connection = SQL_NULL_HDBC) {
    if (!Succeeded(result))
        throw DiagnosticError(handleType, handle, call, connection);
}

} // namespace db::odbc
