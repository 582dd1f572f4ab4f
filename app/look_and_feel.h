#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

// Colours in the Windows convention: top bit clear, an RGB value stored as 0x00BBGGRR; top
// bit set, a system colour by its GetSysColor index, resolved through the palette.
inline constexpr quint32 ColourWhite = 0x00FFFFFF;
inline constexpr quint32 ColourButtonFace = 0x8000000F;
inline constexpr quint32 ColourButtonText = 0x80000012;
inline constexpr quint32 ColourWindow = 0x80000005;
inline constexpr quint32 ColourWindowText = 0x80000008;

QColor ResolveColour(quint32 colour);

// Paints the widget's background (and a window's) in the colour.
void SetBackColour(QWidget* widget, quint32 colour);
void SetForeColour(QWidget* widget, quint32 colour);

// Arial at a size in points; fontconfig maps Arial to Liberation Sans where Arial is absent.
QFont ArialFont(qreal points, bool bold);

// The window and each option button, check box, frame and label on it take the button-face
// colour; everything else keeps its colours.
void RecolourWindow(QWidget* window);

// "x/o.cjs" in the program folder.
QString SkinFilePath();

// With an ordinary skin file present, recolours the connection window. There is no skin
// engine: the file itself is not read.
void ApplySkin(QWidget* connectionWindow);
