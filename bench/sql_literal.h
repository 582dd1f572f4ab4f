#pragma once

#include <QString>

// The benchmark writes its set-up data, its queries of the server's statistics and its
// per-row comparison run as plain SQL text; the program itself binds every value.
namespace bench {

// Every single quote doubled; nothing else altered: the text of an SQL string literal.
QString EscapeLiteral(const QString& text);

} // namespace bench
