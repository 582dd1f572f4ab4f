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
    // The driver reports the connection as gone: SQLSTATE class 08, the connection found
    // dead after the failure, or the server's own word that it ended the session (57P01 to
    // 57P05: shut down, crashed, terminated by an administrator; not 57014, a cancelled
    // statement), which does not depend on the driver telling the connection's state.
    bool connectionLost() const {
        return connectionDead_ || sqlState_.startsWith(QLatin1String("08")) ||
               sqlState_.startsWith(QLatin1String("57P"));
    }
    // SQLSTATE class 42, syntax error or access rule violation: the statement was refused
    // for what it names (a table, column or function that does not exist, a permission),
    // not for its values, so every statement of the same form is refused alike.
    bool accessRuleViolation() const { return sqlState_.startsWith(QLatin1String("42")); }

private:
    QString description_;
    QString sqlState_;
    bool connectionDead_ = false;
};

} // namespace db
