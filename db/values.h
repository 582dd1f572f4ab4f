#pragma once

#include <QVariant>

// The default for a database NULL, a copy of the value otherwise.
inline QVariant NullToDefault(const QVariant& value, const QVariant& defaultValue) {
    return value.isValid() ? value : defaultValue;
}
