#pragma once

#include <QString>
#include <QStringList>

// The runs the benchmark knows, by the short names of --runs.
namespace bench {

struct RunKind {
    const char* name;
    const char* label;
    bool changeRun; // the program's RunChange (else b, c or ci)
    bool proper;    // mode Proper Case (else UPPER CASE)
    bool indexed;   // an index on the column
    bool journal;   // the host keeps the run journal
    bool window;    // through the window host
};

// Every run, in the order the report lists them.
inline constexpr RunKind RunKinds[] = {
    {"a", "(a) change, UPPER, no index", true, false, false, true, false},
    {"ai", "(a) change, UPPER, index", true, false, true, true, false},
    {"an", "(a) change, UPPER, no journal", true, false, false, false, false},
    {"p", "(p) change, Proper, no index", true, true, false, true, false},
    {"pi", "(p) change, Proper, index", true, true, true, true, false},
    {"pw", "(p) change, Proper, window", true, true, false, true, true},
    {"b", "(b) per row, no WHERE", false, false, false, false, false},
    {"c", "(c) set-based UPPER", false, false, false, false, false},
    {"ci", "(c) set-based UPPER, index", false, false, true, false, false},
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
