#include "change/run_session.h"

#include "db/statement.h"

RunSession::RunSession(ChangeRunHost& host) : host_(host) {
    writer_.SetAutoCommit(false);
    host_.SetCanceller([this] {
        reader_.Cancel();
        writer_.Cancel();
    });
}

RunSession::~RunSession() {
    host_.SetCanceller({});
}

void RunSession::SetCommandTimeout(int seconds) {
    reader_.SetCommandTimeout(seconds);
    writer_.SetCommandTimeout(seconds);
}

void RunSession::SetConnectionTimeout(int seconds) {
    reader_.SetConnectionTimeout(seconds);
    writer_.SetConnectionTimeout(seconds);
}

void RunSession::Open(bool read, bool write) {
    const QString connectionString = OdbcConnectionString(host_.Profile());
    host_.Wait([&] {
        for (auto [connection, wanted] : {std::pair{&reader_, read}, std::pair{&writer_, write}}) {
            if (!wanted)
                continue;
            connection->Open(connectionString);
            const db::Dialect dialect = db::Dialect::Of(*connection);
            for (const QString& statement : dialect.SessionStatements())
                db::Statement(*connection, statement).Execute({});
        }
    });
}

void RunSession::Inspect(const QString& table, const QString& column) {
    host_.Wait([&] {
        dialect_ = db::Dialect::Of(First(), table);
        facts_ = db::ReadColumnFacts(First(), *dialect_, table, column);
    });
}

QString RunSession::Refusal() const {
    if (!facts_.known)
        return {};
    if (!facts_.table)
        return QLatin1String(ChangeMessages::NotATable);
    if (facts_.largeObject)
        return QLatin1String(ChangeMessages::LargeObject);
    if (!facts_.text)
        return QLatin1String(ChangeMessages::NotText);
    if (facts_.generated)
        return QLatin1String(ChangeMessages::Generated);
    if (!facts_.mayUpdate)
        return QLatin1String(ChangeMessages::MayNotUpdate);
    return {};
}

db::Fault RunSession::Classify(const std::exception& error) const {
    const auto* failure = dynamic_cast<const db::Error*>(&error);
    if (!failure)
        return db::Fault::Row;
    if (dialect_)
        return dialect_->Classify(*failure);
    return failure->connectionLost() ? db::Fault::ConnectionLost : db::Fault::Row;
}

double RunSession::Percent(qint64 done, qint64 total) {
    return total > 0 ? std::min(100.0 * double(done) / double(total), 100.0) : 100.0;
}
