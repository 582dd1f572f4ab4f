#pragma once

#include "casing/case_rules.h"
#include "db/connection_profile.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

// A list's current item as a run takes it. Without one, taking it throws `missing`: the run
// reports that at the step that takes it, as it would any other fault there.
struct CurrentItem {
    std::optional<QString> text;
    QString missing;

    QString Take() const {
        if (!text)
            throw std::runtime_error(missing.toStdString());
        return *text;
    }
};

// What a change run is asked to do: the column (or columns) of which table, to which case,
// through which connection, and whether it keeps a journal for undo.
struct RunRequest {
    ConnectionProfile profile;
    // The fields listed; with none, the run asks for a field and does nothing else.
    int fieldCount = 1;
    CurrentItem table;
    CurrentItem field;
    // The fields marked selected, in the list's order. With more than one, a run converts each
    // of them that holds text; otherwise the current field alone.
    QStringList selected;
    // The case box's text, which names the case unless one is chosen below.
    QString caseBox;
    // A case the case box does not offer, chosen for this run (Name Case).
    std::optional<Case::CaseMode> chosenMode;
    // The user's own spellings, for Name Case.
    Case::NameExceptions exceptions;
    bool keepsJournal = true;
};
