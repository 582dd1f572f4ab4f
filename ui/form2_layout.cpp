// The work window's controls: kinds, captions, containers, geometry in twips, fonts,
// colours, tab order and pointer reactions.
#include "ui/form2.h"

#include "app/look_and_feel.h"
#include "app/twips.h"
#include "ui/controls.h"
#include "ui/list_views.h"
#include "ui/progress_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTreeWidget>

namespace {

QTreeWidget* MakeList(QWidget* parent, const char* name, bool multiSelect, int left, int top,
                      int width, int height) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    ListViews::Configure(list, multiSelect);
    PlaceInTwips(list, left, top, width, height);
    list->setFont(ArialFont(9, true));
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, ResolveColour(ColourWindow));
    palette.setColor(QPalette::Text, ResolveColour(ColourWindowText));
    list->setPalette(palette);
    return list;
}

} // namespace

void Form2::BuildControls() {
    Controls::DefineWindow(this, "Form2", 9240, 7545, true);

    PushButton1 = Controls::Button(this, "PushButton1", "Start Changing", 120, 6550, 4440, 405);
    PushButton5 = Controls::Button(this, "PushButton5", "Setup Connection", 4680, 6550, 4440, 405);

    ProgressBar1 = new ProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    PlaceInTwips(ProgressBar1, 120, 7065, 9000, 405);
    // The platform's font in every attribute, so that nothing (bold) comes from the window.
    QFont platformFont = QApplication::font();
    platformFont.setResolveMask(QFont::AllPropertiesResolved);
    ProgressBar1->setFont(platformFont);
    SetBackColour(ProgressBar1, ColourWhite);
    ProgressBar1->SetText(QStringLiteral("Progress Bar"));

    ListView1 = MakeList(this, "ListView1", false, 120, 120, 4440, 2715);
    ListView2 = MakeList(this, "ListView2", true, 4680, 120, 4440, 2235);

    Frame1 = Controls::Frame(this, "Frame1", "Change all records in selected field(s) to:", 120,
                             5640, 9000, 800);

    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false);
    PlaceInTwips(Combo1, 240, 300, 8520, 345);
    Combo1->setFont(ArialFont(9, true));

    PushButton2 = Controls::Button(this, "PushButton2", "Select All Fields", 4680, 2415, 2055, 405);
    PushButton3 =
        Controls::Button(this, "PushButton3", "Unselect All Fields", 6840, 2415, 2280, 405);
    ListView3 = MakeList(this, "ListView3", false, 120, 2895, 9000, 2715);

    // Tab order: "Start Changing", "Setup Connection", the table and field lists, the case
    // box, the two selection buttons, the preview.
    Controls::SetTabOrder({PushButton1, PushButton5, ListView1, ListView2, Combo1, PushButton2,
                           PushButton3, ListView3});
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    PushButton1->setFocus();

    pointer_.React(this, WindowPointer::Default);
    pointer_.React(Frame1, WindowPointer::Default);
    for (QTreeWidget* list : {ListView1, ListView2, ListView3})
        pointer_.React(list, WindowPointer::Default);
    for (QPushButton* button : {PushButton1, PushButton5, PushButton2, PushButton3})
        pointer_.React(button, WindowPointer::Hand);
    pointer_.Ignore(Combo1);
    pointer_.Ignore(ProgressBar1);
}
