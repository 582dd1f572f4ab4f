#pragma once

#include <QString>
#include <optional>

namespace cli {

// Asks for a password on the terminal, as psql and sqlplus do: the prompt on standard
// error, the answer read from standard input with echo off (the terminal is set back even
// when Ctrl-C ends the program meanwhile). Nothing when standard input is not a terminal.
std::optional<QString> PromptPassword(const QString& prompt);

} // namespace cli
