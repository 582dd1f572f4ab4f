#include "ui/field_menu/field_menu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>

FieldMenu::FieldMenu(QTreeWidget* list, Entries entries)
    : QObject(list), list_(list), entries_(std::move(entries)) {
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
}

bool FieldMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu) {
        auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() == QContextMenuEvent::Mouse) {
            // The press under the pointer has made that field current; elsewhere no menu.
            if (watched != list_->viewport() || !list_->itemAt(request->pos()))
                return true;
            Open(request->globalPos());
        } else {
            Open({});
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == list_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            Open({});
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FieldMenu::Open(const QPoint& at) {
    QTreeWidgetItem* field = list_->currentItem();
    if (!field || !entries_.mayOpen())
        return;
    // From the keyboard the menu opens at the current field.
    QPoint where = at;
    if (where.isNull()) {
        list_->scrollToItem(field);
        where = list_->viewport()->mapToGlobal(list_->visualItemRect(field).bottomLeft());
    }
    QMenu menu(list_);
    QAction* preview = menu.addAction(QLatin1String(PreviewText));
    QAction* nameCase = menu.addAction(QLatin1String(NameCaseText));
    QAction* undo = menu.addAction(QLatin1String(UndoText));
    undo->setEnabled(entries_.undoAvailable());
    QAction* chosen = menu.exec(where);
    if (chosen == preview)
        entries_.preview();
    else if (chosen == undo)
        entries_.undo();
    else if (chosen == nameCase)
        entries_.nameCase();
}
