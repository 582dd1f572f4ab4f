#include "change/slice_reader.h"

#include "change/run_session.h"
#include "db/error.h"

#include <algorithm>

namespace {
// Rows read from the server at once.
constexpr int SliceRows = 1000;
} // namespace

SliceReader::SliceReader(RunSession& session, RunWaiter& waiter, std::function<bool()> settle)
    : session_(session), waiter_(waiter), settle_(std::move(settle)) {}

void SliceReader::Open(const QString& table, const QStringList& columns) {
    table_ = table;
    columns_ = columns;
    waiter_.Wait([&] { session_.OpenRead(source_, table_, columns_); });
}

void SliceReader::ReadAhead() {
    ahead_ = thread_.Post([this] { return source_.Next(SliceRows); });
}

bool SliceReader::Next() {
    at_ = 0;
    if (!ahead_.valid())
        ReadAhead();
    waiter_.Wait([&] { ahead_.wait(); });
    try {
        slice_ = ahead_.get();
    } catch (const db::Error& error) {
        // A fetch cancelled because the user asked the run to stop ends the read quietly.
        if (waiter_.StopRequested()) {
            slice_.clear();
            reading_ = false;
            return true;
        }
        if (reopened_ || !session_.Dialect().ReadCanReopen(error))
            throw;
        reopened_ = true;
        return Reopen();
    }
    reading_ = !slice_.empty();
    if (reading_) {
        ReadAhead();
        delivered_ += qint64(slice_.size());
        const db::Dialect& dialect = session_.Dialect();
        total_.Read(delivered_ - before_, dialect.Place(slice_.front().id),
                    dialect.Place(slice_.back().id));
    }
    return !reading_;
}

// The read lost its snapshot or its connection: once the rows handed on are settled, it starts
// again on a new connection. Rows converted so far read back unchanged and are passed over.
bool SliceReader::Reopen() {
    slice_.clear();
    if (!settle_())
        return true;
    source_.Close();
    session_.ReopenReader();
    // The new read starts over: its rows are counted on top of those read before.
    before_ = delivered_;
    Open(table_, columns_);
    Estimate();
    return Next();
}

qint64 SliceReader::ExpectedTotal(qint64 read) const {
    return reading_ ? std::max(before_ + total_.Total(), read) : read;
}

void SliceReader::Stop() {
    if (!ahead_.valid())
        return;
    session_.Reader().Cancel();
    waiter_.Wait([&] { ahead_.wait(); });
    ahead_ = {};
}

void SliceReader::Close() {
    waiter_.Wait([&] { source_.Close(); });
}
