#pragma once

#include "casing/case_rules.h"

#include <QString>
#include <QStringList>

// The runs the benchmark knows, by the short names of --runs.
namespace bench {

struct RunKind {
    const char* name;
    const char* label;
    bool changeRun;      // the program's RunChange (else b, c or ci)
    Case::CaseMode mode; // the run's case
    bool indexed;        // an index on the column
    bool journal;        // the host keeps the run journal
    bool window;         // through the window host
};

// Every run, in the order the report lists them.
inline constexpr RunKind RunKinds[] = {
    {"a", "(a) change, UPPER, no index", true, Case::CaseMode::Upper, false, true, false},
    {"ai", "(a) change, UPPER, index", true, Case::CaseMode::Upper, true, true, false},
    {"an", "(a) change, UPPER, no journal", true, Case::CaseMode::Upper, false, false, false},
    {"p", "(p) change, Proper, no index", true, Case::CaseMode::Proper, false, true, false},
    {"pi", "(p) change, Proper, index", true, Case::CaseMode::Proper, true, true, false},
    {"aw", "(a) change, UPPER, window", true, Case::CaseMode::Upper, false, true, true},
    // The twin of p in Name Case, whose rules cost more per value.
    {"n", "(n) change, Name Case, no index", true, Case::CaseMode::Names, false, true, false},
    {"b", "(b) per row, no WHERE", false, Case::CaseMode::Upper, false, false, false},
    {"c", "(c) set-based UPPER", false, Case::CaseMode::Upper, false, false, false},
    {"ci", "(c) set-based UPPER, index", false, Case::CaseMode::Upper, true, false, false},
};

// The kind named `name`; nullptr for an unknown name.
inline const RunKind* FindRunKind(const QString& name) {
    for (const RunKind& kind : RunKinds) {
        if (name == QLatin1String(kind.name))
            return &kind;
    }
    return nullptr;
}

inline QString RunLabel(const QString& name) {
    const RunKind* kind = FindRunKind(name);
    return kind ? QString::fromLatin1(kind->label) : name;
}

} // namespace bench
