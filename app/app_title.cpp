#include "app/app_title.h"

namespace {
QString& InstalledTitle() {
    static QString title;
    return title;
}
} // namespace

QString ApplicationTitleFor(const QString& productName) {
    QString title = productName;
    do {
        const qsizetype space = title.lastIndexOf(QLatin1Char(' '));
        if (space < 0)
            break; // a single word cannot be cut further
        title.truncate(space);
    } while (title.size() > 40);
    return title;
}

void SetApplicationTitle() {
    InstalledTitle() = ApplicationTitleFor(QString::fromUtf8(ProductName));
}

QString ApplicationTitle() {
    return InstalledTitle();
}
