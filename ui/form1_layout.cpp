// The connection window's controls: kinds, captions, containers, geometry in twips, fonts,
// colours, tab order and pointer reactions.
#include "ui/form1.h"

#include "app/look_and_feel.h"
#include "app/twips.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>

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

QPushButton* MakeButton(QWidget* parent, const char* caption, int left, int top, int width,
                        int height) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    PlaceInTwips(button, left, top, width, height);
    button->setFont(ArialFont(11.25, true));
    SetBackColour(button, ColourWhite);
    SetForeColour(button, ColourButtonText);
    button->setAutoDefault(false);
    return button;
}

QLineEdit* MakeBox(QWidget* parent, int left, int top, int width, int height) {
    auto* box = new QLineEdit(parent);
    PlaceInTwips(box, left, top, width, height);
    box->setFont(ArialFont(9, true));
    return box;
}

QLabel* MakeLabel(QWidget* parent, const char* caption, int left, int top, int width, int height) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    PlaceInTwips(label, left, top, width, height);
    label->setFont(ArialFont(9, true));
    SetBackColour(label, ColourWhite);
    return label;
}

} // namespace

void Form1::BuildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    FixClientAreaInTwips(this, 8040, 3180);
    setFont(ArialFont(9, false));
    SetBackColour(this, ColourWhite);

    Frame1 = new QGroupBox(QStringLiteral("Oracle Login"), this);
    PlaceInTwips(Frame1, 120, 120, 7800, 2385);
    Frame1->setFont(ArialFont(9, true));
    SetBackColour(Frame1, ColourWhite);

    Text1 = MakeBox(Frame1, 1320, 360, 5535, 345);
    PushButton1 = MakeButton(Frame1, "?", 6960, 360, 615, 345);
    Text2 = MakeBox(Frame1, 1320, 840, 6255, 345);
    Text3 = MakeBox(Frame1, 1320, 1320, 6255, 345);
    Text3->setEchoMode(QLineEdit::Password);
    Text3->setStyle(new StarMaskStyle(Text3));
    PushButton5 = MakeButton(Frame1, "Test Connection", 240, 1800, 3600, 405);
    PushButton6 = MakeButton(Frame1, "Help", 3960, 1800, 3600, 405);
    PushButton3 = MakeButton(this, "Next >", 120, 2640, 7800, 405);
    Label4 = MakeLabel(Frame1, "Password:", 240, 1365, 1095, 255);
    Label2 = MakeLabel(Frame1, "SID:", 240, 405, 1095, 255);
    Label1 = MakeLabel(Frame1, "Username:", 240, 885, 1095, 255);

    const char* names[] = {"Text1",       "PushButton1", "Text2",  "Text3",  "PushButton5",
                           "PushButton6", "PushButton3", "Label4", "Label2", "Label1"};
    QWidget* controls[] = {Text1,       PushButton1, Text2,  Text3,  PushButton5,
                           PushButton6, PushButton3, Label4, Label2, Label1};
    for (int i = 0; i < 10; ++i)
        controls[i]->setObjectName(QLatin1String(names[i]));
    Frame1->setObjectName(QStringLiteral("Frame1"));

    // Tab order: SID, "?", user name, password, "Test Connection", "Help", "Next >".
    QWidget* tabOrder[] = {Text1, PushButton1, Text2, Text3, PushButton5, PushButton6, PushButton3};
    for (int i = 0; i + 1 < 7; ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);
    for (QWidget* widget : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Label1),
                            static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label4)})
        widget->setFocusPolicy(Qt::NoFocus);

    pointer_.React(this, WindowPointer::Default);
    pointer_.React(Frame1, WindowPointer::Default);
    for (QLineEdit* box : {Text1, Text2, Text3})
        pointer_.React(box, WindowPointer::Default);
    for (QPushButton* button : {PushButton1, PushButton5, PushButton6, PushButton3})
        pointer_.React(button, WindowPointer::Hand);
    for (QLabel* label : {Label1, Label2, Label4})
        pointer_.Ignore(label);
}
