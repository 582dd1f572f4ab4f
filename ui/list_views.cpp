#include "ui/list_views.h"

#include "app/twips.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <stdexcept>

namespace ListViews {

void Configure(QTreeWidget* list, bool multiSelect) {
    list->setColumnCount(1);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(false);
    list->setToolTip(
        QStringLiteral("Move | line to right and out of window to reveal full names."));
}

void SetHeader(QTreeWidget* list, const QString& caption) {
    list->setHeaderLabels({caption});
}

void SetColumnWidth(QTreeWidget* list, int widthTwips) {
    list->header()->resizeSection(0, TwipsToPixels(widthTwips));
}

void Append(QTreeWidget* list, const QString& text) {
    auto* item = new QTreeWidgetItem(list, QStringList{text});
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (list->topLevelItemCount() == 1)
        list->setCurrentItem(item);
}

QString CurrentText(const QTreeWidget* list) {
    const QTreeWidgetItem* item = list->currentItem();
    if (!item)
        throw std::runtime_error("Object variable or With block variable not set");
    return item->text(0);
}

QString HighlightedText(const QTreeWidget* list) {
    const QTreeWidgetItem* item = list->currentItem();
    return item ? item->text(0) : QString();
}

void MarkAll(QTreeWidget* list, bool selected) {
    const int count = list->topLevelItemCount();
    for (int i = 0; i < count; ++i)
        list->topLevelItem(i)->setSelected(selected);
}

QStringList SelectedTexts(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected())
            texts.append(list->topLevelItem(i)->text(0));
    }
    return texts;
}

} // namespace ListViews
