#include "ui/controls.h"

#include "app/look_and_feel.h"
#include "app/twips.h"

#include <QGroupBox>
#include <QPushButton>

namespace Controls {

void DefineWindow(QWidget* window, const char* name, int width, int height, bool boldFont) {
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(QLatin1String(name)); // until the load sets the product name
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint);
    FixClientAreaInTwips(window, width, height);
    window->setFont(ArialFont(9, boldFont));
    SetBackColour(window, ColourWhite);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, int left, int top,
                    int width, int height) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QLatin1String(name));
    PlaceInTwips(button, left, top, width, height);
    button->setFont(ArialFont(11.25, true));
    SetBackColour(button, ColourWhite);
    SetForeColour(button, ColourButtonText);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* Frame(QWidget* parent, const char* name, const char* caption, int left, int top,
                 int width, int height) {
    auto* frame = new QGroupBox(QString::fromUtf8(caption), parent);
    frame->setObjectName(QLatin1String(name));
    PlaceInTwips(frame, left, top, width, height);
    frame->setFont(ArialFont(9, true));
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

void SetTabOrder(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* widget : order) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace Controls
