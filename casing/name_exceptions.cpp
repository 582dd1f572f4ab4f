#include "casing/name_exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <stdexcept>

namespace Case {

char16_t NameKeyUnit(char16_t unit) {
    if (unit < 0x80)
        return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
    const char32_t key = QChar::toLower(QChar::toUpper(char32_t{unit}));
    return key > 0xFFFF ? unit : char16_t(key);
}

namespace {
QString Key(QStringView word) {
    QString key(word.size(), Qt::Uninitialized);
    std::transform(word.begin(), word.end(), key.begin(),
                   [](QChar unit) { return QChar(NameKeyUnit(unit.unicode())); });
    return key;
}
} // namespace

void NameExceptions::Add(const QString& word) {
    byLowered_.insert(Key(word), word);
}

QString NameExceptions::Find(QStringView word) const {
    if (byLowered_.isEmpty())
        return {};
    return byLowered_.value(Key(word));
}

NameExceptions ParseNameExceptions(const QByteArray& utf8) {
    NameExceptions exceptions;
    QString text = QString::fromUtf8(utf8);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1); // a byte order mark some editors write
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QStringView word = line.trimmed(); // also a CR of a CR LF line end
        if (!word.isEmpty())
            exceptions.Add(word.toString());
    }
    return exceptions;
}

NameExceptions ReadNameExceptions(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot read the exceptions file %1: %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read the exceptions file %1: %2")
                                     .arg(path, file.errorString())
                                     .toStdString());
    return ParseNameExceptions(content);
}

QString DefaultNameExceptionsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/Vantrel/name-exceptions.txt");
}

NameExceptions DefaultNameExceptions() {
    const QString path = DefaultNameExceptionsPath();
    if (!QFileInfo::exists(path))
        return {};
    return ReadNameExceptions(path);
}

} // namespace Case
