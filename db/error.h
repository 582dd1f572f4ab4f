#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// A failure of the data-access layer; what() is the description, UTF-8 encoded.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& description, const QString& sqlState = {},
                   bool connectionDead = false, int nativeCode = 0)
        : std::runtime_error(description.toStdString()), description_(description),
          sqlState_(sqlState), connectionDead_(connectionDead), nativeCode_(nativeCode) {}
    const QString& description() const { return description_; }
    // The first diagnostic record's SQLSTATE, empty when there was none.
    const QString& sqlState() const { return sqlState_; }
    // The first diagnostic record's native error code (Oracle's ORA- number; psqlODBC gives 1
    // for every server error), 0 when there was none.
    int nativeCode() const { return nativeCode_; }
    // The driver reported the connection as dead after the failure.
    bool connectionDead() const { return connectionDead_; }
    // The connection is gone whatever the database: SQLSTATE class 08, or the driver found it
    // dead. Each dialect adds its own codes (db::Dialect::Classify).
    bool connectionLost() const {
        return connectionDead_ || sqlState_.startsWith(QLatin1String("08"));
    }

private:
    QString description_;
    QString sqlState_;
    bool connectionDead_ = false;
    int nativeCode_ = 0;
};

} // namespace db
