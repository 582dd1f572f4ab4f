#pragma once

#include "db/connection.h"

#include <QSet>
#include <QString>
#include <QStringList>

// What the server logged of the statements one user sent (log_statement = all for that user
// while the check lasts): whether a column value ever stood inside a statement's text, and how
// many distinct statement texts wrote.
namespace bench {

struct StatementLogFigures {
    bool available = false;
    QString why;        // when not available
    int statements = 0; // statements logged for the user
    int writeTexts = 0; // distinct texts of its UPDATE statements
    int withValues = 0; // statements whose text holds one of the values
    QString example;    // the first of those, shortened
};

class StatementLog {
public:
    // `admin` must be a superuser connection. Logging starts for the user's new sessions.
    StatementLog(db::Connection& admin, QString user);
    ~StatementLog();
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;

    // What was logged since construction, checked against the values (the column's old and
    // new texts).
    StatementLogFigures Read(const QSet<QString>& values);

private:
    db::Connection& admin_;
    QString user_;
    QString path_;
    qint64 start_ = -1;
    QString why_;
};

} // namespace bench
