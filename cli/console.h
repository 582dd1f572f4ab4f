#pragma once

#include <QString>

// Lines on standard output and standard error, UTF-8, flushed at once.
namespace cli {

void Out(const QString& line);
void Err(const QString& line);
// Text on standard error as it is, without a line end (a progress bar's redraw).
void ErrRaw(const QString& text);
bool ErrIsTerminal();

} // namespace cli
