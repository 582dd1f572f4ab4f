#pragma once

class QWidget;

// Window geometry is given in twips: 1440 to the inch, 15 to a pixel at 96 dots per inch.

// Pixels for a length in twips at the primary screen's logical resolution.
int TwipsToPixels(int twips);

// Places a widget inside its parent (the client area, or the inside of a frame).
void PlaceInTwips(QWidget* widget, int left, int top, int width, int height);

// Gives a top-level window a fixed client area.
void FixClientAreaInTwips(QWidget* window, int width, int height);

// Centres a top-level window on the primary screen.
void CentreOnScreen(QWidget* window);
