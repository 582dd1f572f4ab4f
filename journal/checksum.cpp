#include "journal/checksum.h"

#include <QtEndian>
#include <algorithm>
#include <zlib.h>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace journal {

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
#define JOURNAL_FOLDED_CRC 1

__attribute__((target("pclmul,sse4.1"))) __m128i Fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), next),
                         _mm_clmulepi64_si128(x, k, 0x00));
}

// zlib's CRC-32 of `size` bytes (a multiple of 16, at least 64) by carry-less multiplication,
// several times faster than zlib's tables: the four lanes folded 64 bytes at a time, then
// into one, 16 bytes at a time, then reduced to 32 bits (Barrett). `crc` and the result are
// inverted, unlike zlib's.
__attribute__((target("pclmul,sse4.1"))) quint32 FoldedCrc(const uchar* data, qsizetype size,
                                                           quint32 crc) {
    alignas(16) static const quint64 k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const quint64 k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const quint64 k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const quint64 poly[] = {0x01db710641, 0x01f7011641};
    const auto load = [](const void* at) {
        return _mm_loadu_si128(static_cast<const __m128i*>(at));
    };
    __m128i x1 = load(data), x2 = load(data + 16), x3 = load(data + 32), x4 = load(data + 48);
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(int(crc)));
    __m128i k = load(k1k2);
    data += 64;
    size -= 64;
    for (; size >= 64; data += 64, size -= 64) {
        x1 = Fold(x1, k, load(data));
        x2 = Fold(x2, k, load(data + 16));
        x3 = Fold(x3, k, load(data + 32));
        x4 = Fold(x4, k, load(data + 48));
    }
    k = load(k3k4);
    x1 = Fold(Fold(Fold(x1, k, x2), k, x3), k, x4);
    for (; size >= 16; data += 16, size -= 16)
        x1 = Fold(x1, k, load(data));
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    k = load(k5k0);
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x00), x2);
    k = load(poly);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), k, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), k, 0x00);
    return quint32(_mm_extract_epi32(_mm_xor_si128(x1, x2), 1));
}
#endif

quint32 Crc(quint32 crc, const void* data, qsizetype size) {
    const auto* bytes = static_cast<const Bytef*>(data);
#ifdef JOURNAL_FOLDED_CRC
    static const bool folding =
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    if (folding && size >= 64) {
        const qsizetype blocks = size & ~qsizetype(15);
        crc = ~FoldedCrc(bytes, blocks, ~crc);
        bytes += blocks;
        size -= blocks;
    }
#endif
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
