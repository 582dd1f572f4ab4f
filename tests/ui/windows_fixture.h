#pragma once

#include "support/test_database.h"
#include "ui/form1.h"
#include "ui/form2.h"

#include <QStringList>
#include <memory>

class QTreeWidget;

namespace fixture {

// Stores the profile as the connection window's boxes would.
void RememberProfile(const ConnectionProfile& profile);

// Starts the program as it starts for a user: the connection window loads, and shows
// itself unless the work window came up.
std::unique_ptr<Form1> Start();

QStringList Items(const QTreeWidget* list);
QStringList SelectedItems(const QTreeWidget* list);

// Clicks the item at the row (or the empty area below the items with row -1).
void ClickRow(QTreeWidget* list, int row);

} // namespace fixture
