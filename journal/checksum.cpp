#include "journal/checksum.h"

#include <QtEndian>
#include <algorithm>
#include <zlib.h>

namespace journal {

namespace {

quint32 Crc(quint32 crc, const void* data, qsizetype size) {
    const auto* bytes = static_cast<const Bytef*>(data);
    // zlib takes at most 4 GiB per call.
    while (size > 0) {
        const auto chunk = static_cast<uInt>(std::min<qsizetype>(size, 1 << 30));
        crc = static_cast<quint32>(::crc32(crc, bytes, chunk));
        bytes += chunk;
        size -= chunk;
    }
    return crc;
}

} // namespace

void Checksum::Flush(const void* data, qsizetype size) {
    crc_ = Crc(crc_, buffer_, used_);
    used_ = 0;
    if (size <= qsizetype(sizeof buffer_)) {
        std::memcpy(buffer_, data, size_t(size));
        used_ = size;
    } else {
        crc_ = Crc(crc_, data, size);
    }
}

Checksum& Checksum::Add(qint64 number) {
    const qint64 little = qToLittleEndian(number);
    Append(&little, sizeof little);
    return *this;
}

Checksum& Checksum::Add(QStringView text) {
    Add(qint64(text.size()));
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    Append(text.utf16(), text.size() * qsizetype(sizeof(char16_t)));
#else
    for (const QChar unit : text) {
        const quint16 little = qToLittleEndian(unit.unicode());
        Append(&little, sizeof little);
    }
#endif
    return *this;
}

Checksum& Checksum::AddNullable(const QString& text) {
    if (text.isNull())
        return Add(qint64(-1));
    return Add(QStringView(text));
}

quint32 Checksum::Value() {
    crc_ = Crc(crc_, buffer_, used_);
    used_ = 0;
    return crc_;
}

} // namespace journal
