#pragma once

#include <initializer_list>

class QGroupBox;
class QPushButton;
class QWidget;

// The pieces both windows are built from; positions and sizes in twips.
namespace Controls {

// A fixed top-level window: title bar with system menu, minimise and close boxes and no
// maximise box, a client area of the given size, white, Arial 9 (bold or regular).
void DefineWindow(QWidget* window, const char* name, int width, int height, bool boldFont);

// A push button: Arial 11.25 bold, white with the system's button-text colour.
QPushButton* Button(QWidget* parent, const char* name, const char* caption, int left, int top,
                    int width, int height);

// A captioned frame in Arial 9 bold that takes no focus.
QGroupBox* Frame(QWidget* parent, const char* name, const char* caption, int left, int top,
                 int width, int height);

// Tab moves through the widgets in this order.
void SetTabOrder(std::initializer_list<QWidget*> order);

} // namespace Controls
