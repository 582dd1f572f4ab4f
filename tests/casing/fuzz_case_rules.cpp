#include "casing/case_rules.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

// Input bytes read as UTF-16 code units. Aborts when a conversion changes a length, is not
// idempotent, or ProperCase's length limit is off.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size_t(text.size()) * 2);

    Case::MatchCaseMode(text);
    for (Case::CaseMode mode :
         {Case::CaseMode::Upper, Case::CaseMode::Lower, Case::CaseMode::Proper,
          Case::CaseMode::Sentence, Case::CaseMode::Names}) {
        QString once;
        try {
            once = Case::Convert(mode, text);
        } catch (const std::overflow_error&) {
            if (mode != Case::CaseMode::Proper || text.size() < 32767) {
                std::abort();
            }
            continue;
        }
        if (once.size() != text.size() || Case::Convert(mode, once) != once) {
            std::abort();
        }
    }
    return 0;
}
