#include "change/run_session.h"

#include "change/row_source.h"
#include "db/charset.h"
#include "db/dialect/catalogue.h"
#include "db/statement.h"

#include <algorithm>
#include <optional>
#include <utility>

RunSession::RunSession(ConnectionProfile profile, RunWaiter& waiter)
    : profile_(std::move(profile)), waiter_(waiter) {
    for (db::Connection& writer : writers_)
        writer.SetAutoCommit(false);
    waiter_.SetCanceller([this] {
        cancelled_ = true;
        reader_.Cancel();
        for (db::Connection& writer : writers_)
            writer.Cancel();
    });
}

RunSession::~RunSession() {
    waiter_.SetCanceller({});
}

void RunSession::SetCommandTimeout(int seconds) {
    reader_.SetCommandTimeout(seconds);
    for (db::Connection& writer : writers_)
        writer.SetCommandTimeout(seconds);
}

void RunSession::SetConnectionTimeout(int seconds) {
    reader_.SetConnectionTimeout(seconds);
    for (db::Connection& writer : writers_)
        writer.SetConnectionTimeout(seconds);
}

void RunSession::Open(bool read, int writers) {
    const QString connectionString = OdbcConnectionString(profile_);
    waiter_.Wait([&] {
        for (auto [connection, wanted] :
             {std::pair{&reader_, read}, std::pair{&writers_[0], writers > 0},
              std::pair{&writers_[1], writers > 1}}) {
            if (!wanted)
                continue;
            connection->Open(connectionString);
            const db::Dialect dialect = db::Dialect::Of(*connection);
            for (const QString& statement : dialect.SessionStatements())
                db::Statement(*connection, statement).Execute({});
        }
    });
}

void RunSession::ReopenReader() {
    try {
        reader_.Close();
    } catch (const db::Error&) {
        // a connection the server ended may not close cleanly
    }
    Open(true, 0);
}

void RunSession::OpenRead(RowSource& source, const QString& table, const QStringList& columns) {
    if (source.Open(reader_, *dialect_, table, columns) == RowNaming::ByValue)
        dialect_ = dialect_->WithoutRowNames();
}

void RunSession::Inspect(const QString& table, const QStringList& columns) {
    waiter_.Wait([&] {
        dialect_ = db::Dialect::Of(First(), table);
        facts_.clear();
        for (const QString& column : columns)
            facts_.push_back(db::ReadColumnFacts(First(), *dialect_, table, column));
    });
    limitedSets_.clear();
    for (const bool national : National()) {
        const QString& set = dialect_->CharacterSet(national);
        limitedSets_.push_back(set.isEmpty() || db::charset::HoldsAll(set) ? QString() : set);
    }
}

std::vector<bool> RunSession::National() const {
    std::vector<bool> national;
    for (const db::ColumnFacts& facts : facts_)
        national.push_back(!facts.known || facts.national);
    return national;
}

QString RunSession::Unheld(int column, const QString& old, const QString& text) const {
    const QString& set = limitedSets_.at(std::size_t(column));
    if (set.isEmpty())
        return {};
    const qsizetype at = db::charset::Unheld(set, text, old);
    if (at < 0)
        return {};
    const char32_t c = text.at(at).isHighSurrogate() && at + 1 < text.size()
                           ? QChar::surrogateToUcs4(text.at(at), text.at(at + 1))
                           : text.at(at).unicode();
    return QString::fromLatin1(ChangeMessages::Unheld)
        .arg(set, QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper());
}

bool RunSession::UpdateTriggers() const {
    return std::any_of(facts_.begin(), facts_.end(),
                       [](const db::ColumnFacts& facts) { return facts.updateTriggers; });
}

namespace {

// Why a column is refused: the message for a run on that column alone, and the few words
// naming it in a list of several.
struct Refusal {
    const char* message;
    const char* reason;
};

// The first refusal the facts call for, in the order they are checked.
std::optional<Refusal> RefusalOf(const db::ColumnFacts& facts, bool nationalText) {
    if (!facts.known)
        return std::nullopt;
    const std::pair<bool, Refusal> checks[] = {
        {!facts.table, {ChangeMessages::NotATable, "its rows cannot be named"}},
        {!facts.tableWritable, {ChangeMessages::TableNotWritable, "its table cannot be written"}},
        {facts.national && !nationalText,
         {ChangeMessages::NationalText, "national character data the driver cannot write"}},
        {facts.largeObject, {ChangeMessages::LargeObject, "a large object"}},
        {!facts.text, {ChangeMessages::NotText, "does not hold text"}},
        {facts.generated, {ChangeMessages::Generated, "computed by the database"}},
        {!facts.mayUpdate, {ChangeMessages::MayNotUpdate, "you may not update it"}}};
    for (const auto& [refused, refusal] : checks) {
        if (refused)
            return refusal;
    }
    return std::nullopt;
}

} // namespace

QString RunSession::Refusal(int column) const {
    const auto refusal = RefusalOf(Facts(column), !dialect_ || dialect_->WritesNationalText());
    return refusal ? QLatin1String(refusal->message) : QString();
}

QString RunSession::Reason(int column) const {
    const auto refusal = RefusalOf(Facts(column), !dialect_ || dialect_->WritesNationalText());
    return refusal ? QLatin1String(refusal->reason) : QString();
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
