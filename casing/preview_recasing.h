#pragma once

#include "casing/case_rules.h"

class QAbstractItemModel;

// Recasing of a list's item texts in place (column 0 of every row, display role).
// A fault on one item (ProperCase refusing a long text) ends the loop there: earlier items
// keep their new texts, that item and later ones their old texts.
namespace Case {

// Name Case keeps the exceptions' spellings.
void RecaseList(QAbstractItemModel& list, CaseMode mode, const NameExceptions& exceptions = {});

void RecaseListUpper(QAbstractItemModel& list);
void RecaseListLower(QAbstractItemModel& list);
void RecaseListProper(QAbstractItemModel& list);
void RecaseListSentence(QAbstractItemModel& list);

} // namespace Case
