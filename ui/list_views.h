#pragma once

#include <QString>
#include <QStringList>

class QTreeWidget;

// The work window's lists: report-view lists of plain texts in one column.
namespace ListViews {

// A one-column list without tree decoration or in-place editing.
void Configure(QTreeWidget* list, bool multiSelect);

// Replaces every column header by one header with the caption.
void SetHeader(QTreeWidget* list, const QString& caption);
void SetColumnWidth(QTreeWidget* list, int widthTwips);

// Appends an item; the first item of an empty list becomes its current item.
void Append(QTreeWidget* list, const QString& text);

// The current item's text; throws when the list has no current item.
QString CurrentText(const QTreeWidget* list);

// The current item's text, or a null text when the list has no current item.
QString HighlightedText(const QTreeWidget* list);

// Sets every item's selected mark.
void MarkAll(QTreeWidget* list, bool selected);

// The texts of the items marked selected, in the list's order.
QStringList SelectedTexts(const QTreeWidget* list);

} // namespace ListViews
