#include "casing/preview_recasing.h"

#include <QAbstractItemModel>

namespace Case {

void RecaseList(QAbstractItemModel& list, CaseMode mode, const NameExceptions& exceptions) {
    const int count = list.rowCount();
    for (int row = 0; row < count; ++row) {
        const QModelIndex item = list.index(row, 0);
        const QString text = list.data(item, Qt::DisplayRole).toString();
        list.setData(item, Convert(mode, text, exceptions), Qt::DisplayRole);
    }
}

void RecaseListUpper(QAbstractItemModel& list) {
    RecaseList(list, CaseMode::Upper);
}
void RecaseListLower(QAbstractItemModel& list) {
    RecaseList(list, CaseMode::Lower);
}
void RecaseListProper(QAbstractItemModel& list) {
    RecaseList(list, CaseMode::Proper);
}
void RecaseListSentence(QAbstractItemModel& list) {
    RecaseList(list, CaseMode::Sentence);
}

} // namespace Case
