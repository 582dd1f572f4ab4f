#pragma once

#include <QString>
#include <QStringView>
#include <cstring>

// A CRC-32 (zlib's) over a journal record's fields, to tell a damaged record from a good
// one. The bytes it covers are fixed whatever the process, machine or Qt version: each
// number as 8 bytes little-endian, each text as its length then its UTF-16 code units
// little-endian. Fields are gathered in a buffer and summed a buffer at a time: a call per
// field would cost more than the sum itself.
namespace journal {

class Checksum {
public:
    Checksum& Add(qint64 number);
    // A text; a null text counts as empty.
    Checksum& Add(QStringView text);
    // A text that may be NULL, told apart from the empty text.
    Checksum& AddNullable(const QString& text);
    quint32 Value();

private:
    void Append(const void* data, qsizetype size) {
        if (size == 0) // an empty text's data may be null, which memcpy must not get
            return;
        if (size > qsizetype(sizeof buffer_) - used_)
            Flush(data, size);
        else {
            std::memcpy(buffer_ + used_, data, size_t(size));
            used_ += size;
        }
    }
    // Sums the buffer, then `data` (which did not fit).
    void Flush(const void* data, qsizetype size);

    quint32 crc_ = 0;
    qsizetype used_ = 0;
    char buffer_[480];
};

} // namespace journal
