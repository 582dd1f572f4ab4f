#pragma once

#include <QObject>
#include <functional>

class QMenu;
class QTreeWidget;

// The field list's context menu: "Preview Changes...", "Change to Name Case..." and "Undo
// Last Run...", for the list's current field. It opens on the right mouse button over a field, on
// the context-menu key and on Shift+F10; the chosen entry runs once the menu has closed.
class FieldMenu : public QObject {
public:
    struct Entries {
        std::function<bool()> mayOpen;       // false while another operation runs
        std::function<bool()> undoAvailable; // whether "Undo Last Run..." is enabled
        std::function<void()> preview;
        std::function<void()> undo;
        std::function<void()> nameCase;
    };
    FieldMenu(QTreeWidget* list, Entries entries);

    static constexpr auto PreviewText = "Preview Changes...";
    static constexpr auto UndoText = "Undo Last Run...";
    static constexpr auto NameCaseText = "Change to Name Case...";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the menu at the point (global), when a field is current and no operation runs.
    void Open(const QPoint& at);

    QTreeWidget* list_;
    Entries entries_;
};
