#include "cli/console.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

namespace {

void Write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void Out(const QString& line) {
    Write(stdout, line + QLatin1Char('\n'));
}
void Err(const QString& line) {
    Write(stderr, line + QLatin1Char('\n'));
}
void ErrRaw(const QString& text) {
    Write(stderr, text);
}
bool ErrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace cli
