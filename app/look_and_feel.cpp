#include "app/look_and_feel.h"

#include "app/files.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

QColor ResolveColour(quint32 colour) {
    if (colour & 0x80000000u) {
        const QPalette palette;
        switch (colour & 0xFFu) {
        case 5:
            return palette.color(QPalette::Base);
        case 8:
            return palette.color(QPalette::Text);
        case 15:
            return palette.color(QPalette::Button);
        case 18:
            return palette.color(QPalette::ButtonText);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(colour & 0xFFu, (colour >> 8) & 0xFFu, (colour >> 16) & 0xFFu);
}

void SetBackColour(QWidget* widget, quint32 colour) {
    QPalette palette = widget->palette();
    const QColor resolved = ResolveColour(colour);
    palette.setColor(QPalette::Window, resolved);
    palette.setColor(QPalette::Button, resolved);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetForeColour(QWidget* widget, quint32 colour) {
    QPalette palette = widget->palette();
    const QColor resolved = ResolveColour(colour);
    palette.setColor(QPalette::WindowText, resolved);
    palette.setColor(QPalette::ButtonText, resolved);
    palette.setColor(QPalette::Text, resolved);
    widget->setPalette(palette);
}

QFont ArialFont(qreal points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void RecolourWindow(QWidget* window) {
    SetBackColour(window, ColourButtonFace);
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control) ||
            qobject_cast<QGroupBox*>(control) || qobject_cast<QLabel*>(control))
            SetBackColour(control, ColourButtonFace);
    }
}

QString SkinFilePath() {
    return ProgramFolder() + QLatin1String("/x/o.cjs");
}

void ApplySkin(QWidget* connectionWindow) {
    const QFileInfo skin(SkinFilePath());
    if (!skin.isFile() || skin.isHidden())
        return;
    RecolourWindow(connectionWindow);
}
