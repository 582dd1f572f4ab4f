#pragma once

#include "support/test_database.h"

#include <QProcess>
#include <QString>

namespace reliability {

// Another session, a psql process, that holds rows locked in an open transaction until
// Release() or the end of the object.
class HeldLock {
public:
    // Locks the rows the WHERE condition selects with SELECT ... FOR UPDATE and returns once
    // the lock is held; throws db::Error when the session cannot take it.
    HeldLock(const testdb::User& user, const QString& table, const QString& where);
    // Locks the whole table against every other session, its readers included.
    HeldLock(const testdb::User& user, const QString& table);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    // Ends the transaction, which frees the rows.
    void Release();
    // True while a session of the user waits for a lock.
    bool Waited() const;

private:
    // Runs the statement in an open transaction of its own and returns once it holds.
    void Hold(const testdb::User& user, const QString& statement);

    testdb::User user_;
    QProcess psql_;
};

} // namespace reliability
