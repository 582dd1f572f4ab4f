#pragma once

#include "casing/case_rules.h"
#include "db/connection_profile.h"

#include <QString>

// What a change run needs from the window that starts it.
class ChangeRunHost {
public:
    virtual ~ChangeRunHost() = default;

    virtual int FieldCount() = 0;
    virtual ConnectionProfile Profile() = 0;
    // The current items of the table and field lists; throw when a list has none.
    virtual QString CurrentTable() = 0;
    virtual QString CurrentField() = 0;
    virtual QString CaseBoxText() = 0;

    virtual void SetPointer(int setting) = 0;
    virtual void SetProgress(double percent) = 0;
    virtual void SetProgressText(const QString& text) = 0;
    virtual void Yield() = 0;
    virtual void RecasePreview(Case::CaseMode mode) = 0;

    // A plain message; returns once it is dismissed.
    virtual void Show(const QString& message) = 0;
    // A fault of a numbered step, in the common report format.
    virtual void Report(const QString& description, int step) = 0;
};

namespace ChangeMessages {
inline constexpr auto SelectField = "Please select a field.";
inline constexpr auto NoMode = "mess up";
inline constexpr auto Done = "Done.";
inline constexpr auto NotText = "The selected field does not hold text; nothing was changed.";
} // namespace ChangeMessages

// Rewrites every value of the current field of the current table to the case the case box
// names: reads the column once, sends one replace statement per row in the order read,
// shows progress, then recases the preview and says "Done.".
void RunChange(ChangeRunHost& host);
