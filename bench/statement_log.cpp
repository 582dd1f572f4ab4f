#include "statement_log.h"

#include "db/recordset.h"
#include "db/sql_text.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace bench {

namespace {

// The server's log: server.log in its cluster folder (tools/testdb.sh).
QString LogPath() {
    const QString dir = qEnvironmentVariable("TESTDB_DIR");
    QFile moved(dir + QLatin1String("/cluster-dir"));
    const QString cluster =
        moved.open(QIODevice::ReadOnly) ? QString::fromUtf8(moved.readAll()).trimmed() : dir;
    return cluster + QLatin1String("/server.log");
}

} // namespace

StatementLog::StatementLog(db::Connection& admin, QString user)
    : admin_(admin), user_(std::move(user)), path_(LogPath()) {
    QFile log(path_);
    if (!log.open(QIODevice::ReadOnly)) {
        why_ = QStringLiteral("cannot read the server's log %1").arg(path_);
        return;
    }
    start_ = log.size();
    admin_.Execute(
        QStringLiteral("ALTER ROLE %1 SET log_statement = 'all'").arg(QuoteIdentifier(user_)));
}

StatementLog::~StatementLog() {
    if (start_ < 0)
        return;
    try {
        admin_.Execute(
            QStringLiteral("ALTER ROLE %1 RESET log_statement").arg(QuoteIdentifier(user_)));
    } catch (const db::Error&) {
        // The check's own user goes with the benchmark.
    }
}

StatementLogFigures StatementLog::Read(const QSet<QString>& values) {
    StatementLogFigures figures;
    figures.why = why_;
    QFile log(path_);
    if (start_ < 0 || !log.open(QIODevice::ReadOnly) || !log.seek(start_)) {
        if (figures.why.isEmpty())
            figures.why = QStringLiteral("cannot read the server's log %1").arg(path_);
        return figures;
    }
    figures.available = true;
    // "LOG:  statement: TEXT" (simple protocol) or "LOG:  execute NAME: TEXT" (extended); the
    // parameters of the latter stand apart, in DETAIL lines.
    static const QRegularExpression logged(
        QStringLiteral("LOG:  (?:statement|execute [^:]*): (.*)$"));
    QSet<QString> writes;
    QTextStream lines(&log);
    for (QString line; lines.readLineInto(&line);) {
        const QRegularExpressionMatch match = logged.match(line);
        if (!match.hasMatch())
            continue;
        const QString text = match.captured(1);
        ++figures.statements;
        if (text.startsWith(QLatin1String("UPDATE ")))
            writes.insert(text);
        for (const QString& value : values) {
            if (value.size() >= 4 && text.contains(value)) {
                if (figures.withValues++ == 0)
                    figures.example = text.left(160);
                break;
            }
        }
    }
    figures.writeTexts = int(writes.size());
    return figures;
}

} // namespace bench
