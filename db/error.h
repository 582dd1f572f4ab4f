#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// A failure of the data-access layer; what() is the description, UTF-8 encoded.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& description, const QString& sqlState = {},
                   bool connectionDead = false)
        : std::runtime_error(description.toStdString()), description_(description),
          sqlState_(sqlState), connectionDead_(connectionDead) {}
    const QString& description() const { return description_; }
    // The first diagnostic record's SQLSTATE, empty when there was none.
    const QString& sqlState() const { return sqlState_; }
    // The driver reports the connection as gone: SQLSTATE class 08, or the connection found
    // dead after the failure (a server that ends the session first reports its own SQLSTATE,
    // such as PostgreSQL's 57P01).
    bool connectionLost() const {
        return connectionDead_ || sqlState_.startsWith(QLatin1String("08"));
    }

private:
    QString description_;
    QString sqlState_;
    bool connectionDead_ = false;
};

} // namespace db
