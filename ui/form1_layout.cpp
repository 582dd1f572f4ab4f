// The connection window's controls: kinds, captions, containers, geometry in twips, fonts,
// colours, tab order and pointer reactions.
#include "ui/form1.h"

#include "app/look_and_feel.h"
#include "app/twips.h"
#include "ui/controls.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <limits>

namespace {

// The program's style, except that a password box masks with "*" (styles use a bullet where
// the font has one). A style sheet would do the same but cut the box off from its
// container's palette.
class StarMaskStyle : public QProxyStyle {
public:
    explicit StarMaskStyle(QObject* owner)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
        setParent(owner);
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

QLineEdit* MakeBox(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    PlaceInTwips(box, left, top, width, height);
    box->setFont(ArialFont(9, true));
    // No limit: Qt's default of 32,767 characters would cut a longer stored value, which
    // the box's change then writes back into the settings store.
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(QLatin1String(name));
    label->setFocusPolicy(Qt::NoFocus);
    PlaceInTwips(label, left, top, width, height);
    label->setFont(ArialFont(9, true));
    SetBackColour(label, ColourWhite);
    return label;
}

} // namespace

void Form1::BuildControls() {
    Controls::DefineWindow(this, "Form1", 8040, 3180, false);

    Frame1 = Controls::Frame(this, "Frame1", "Oracle Login", 120, 120, 7800, 2385);
    SetBackColour(Frame1, ColourWhite);
    Text1 = MakeBox(Frame1, "Text1", 1320, 360, 5535, 345);
    PushButton1 = Controls::Button(Frame1, "PushButton1", "?", 6960, 360, 615, 345);
    Text2 = MakeBox(Frame1, "Text2", 1320, 840, 6255, 345);
    Text3 = MakeBox(Frame1, "Text3", 1320, 1320, 6255, 345);
    Text3->setEchoMode(QLineEdit::Password);
    Text3->setStyle(new StarMaskStyle(Text3));
    PushButton5 = Controls::Button(Frame1, "PushButton5", "Test Connection", 240, 1800, 3600, 405);
    PushButton6 = Controls::Button(Frame1, "PushButton6", "Help", 3960, 1800, 3600, 405);
    PushButton3 = Controls::Button(this, "PushButton3", "Next >", 120, 2640, 7800, 405);
    Label4 = MakeLabel(Frame1, "Label4", "Password:", 240, 1365, 1095, 255);
    Label2 = MakeLabel(Frame1, "Label2", "SID:", 240, 405, 1095, 255);
    Label1 = MakeLabel(Frame1, "Label1", "Username:", 240, 885, 1095, 255);

    Controls::SetTabOrder(
        {Text1, PushButton1, Text2, Text3, PushButton5, PushButton6, PushButton3});

    pointer_.React(this, WindowPointer::Default);
    pointer_.React(Frame1, WindowPointer::Default);
    for (QLineEdit* box : {Text1, Text2, Text3})
        pointer_.React(box, WindowPointer::Default);
    for (QPushButton* button : {PushButton1, PushButton5, PushButton6, PushButton3})
        pointer_.React(button, WindowPointer::Hand);
    for (QLabel* label : {Label1, Label2, Label4})
        pointer_.Ignore(label);
}
