#include "cli/password_prompt.h"

#include "cli/console.h"

#include <QByteArray>
#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace cli {

namespace {

termios saved = {};

extern "C" void RestoreAndEnd(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// One line from standard input, without its line end.
QByteArray ReadLine() {
    QByteArray line;
    char byte = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == '\n')
            break;
        line.append(byte);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

std::optional<QString> PromptPassword(const QString& prompt) {
    if (::isatty(STDIN_FILENO) != 1 || ::tcgetattr(STDIN_FILENO, &saved) != 0)
        return std::nullopt;
    struct sigaction restore = {};
    restore.sa_handler = RestoreAndEnd;
    sigemptyset(&restore.sa_mask);
    struct sigaction oldInterrupt = {}, oldTerminate = {}, oldHangUp = {};
    ::sigaction(SIGINT, &restore, &oldInterrupt);
    ::sigaction(SIGTERM, &restore, &oldTerminate);
    ::sigaction(SIGHUP, &restore, &oldHangUp);

    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    quiet.c_lflag |= ECHONL; // the line end still shows
    // Echo goes off before the prompt shows: what is typed after it is never echoed.
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    ErrRaw(prompt);
    const QByteArray line = ReadLine();
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);

    ::sigaction(SIGINT, &oldInterrupt, nullptr);
    ::sigaction(SIGTERM, &oldTerminate, nullptr);
    ::sigaction(SIGHUP, &oldHangUp, nullptr);
    return QString::fromLocal8Bit(line);
}

} // namespace cli
