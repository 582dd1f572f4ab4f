#include "windows_fixture.h"

#include "app/settings_store.h"

#include <QTest>
#include <QTreeWidget>

namespace fixture {

void RememberProfile(const ConnectionProfile& profile) {
    const QString app = SettingsAppName, section = SettingsSection;
    SaveSetting(app, section, KeyOracleSid, profile.sid);
    SaveSetting(app, section, KeyOracleUser, profile.user);
    SaveSetting(app, section, KeyOraclePassword, profile.password);
}

std::unique_ptr<Form1> Start() {
    auto form1 = std::make_unique<Form1>();
    form1->Form_Load();
    if (!form1->WorkWindow() || form1->WorkWindow()->isHidden())
        form1->show();
    return form1;
}

QStringList Items(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts.append(list->topLevelItem(i)->text(0));
    return texts;
}

QStringList SelectedItems(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected())
            texts.append(list->topLevelItem(i)->text(0));
    return texts;
}

void ClickRow(QTreeWidget* list, int row) {
    QPoint point;
    if (row >= 0) {
        list->scrollToItem(list->topLevelItem(row));
        point = list->visualItemRect(list->topLevelItem(row)).center();
    } else {
        point = QPoint(5, list->viewport()->height() - 3);
    }
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
}

} // namespace fixture
