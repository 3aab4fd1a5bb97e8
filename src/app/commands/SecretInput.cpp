#include "SecretInput.h"

#include <QByteArray>

#include <csignal>
#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace {

termios savedTerminal;
volatile std::sig_atomic_t echoIsOff = 0;

void restoreEcho()
{
    if (echoIsOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        echoIsOff = 0;
    }
}

// Ctrl+C while the echo is off: the terminal gets it back before the process ends as it would.
void interrupted(int signal)
{
    restoreEcho();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Up to the limit and one byte more, so that a longer input can be told apart.
std::optional<QByteArray> readAtMost(qint64 limit, bool oneLine)
{
    QByteArray bytes;
    char buffer[4096];
    while (bytes.size() <= limit) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        bytes.append(buffer, got);
        if (oneLine && bytes.contains('\n'))
            break;
    }
    if (bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

} // namespace

std::optional<QString> SecretInput::read(const QString& prompt)
{
    const bool terminal = ::isatty(STDIN_FILENO);
    if (terminal && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        const auto previous = std::signal(SIGINT, interrupted);
        if (::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0)
            echoIsOff = 1;
        const std::optional<QByteArray> line = readAtMost(maximumBytes, true);
        restoreEcho();
        std::signal(SIGINT, previous);
        std::fputc('\n', stderr);
        if (!line)
            return std::nullopt;
        return QString::fromUtf8(*line);
    }
    const std::optional<QByteArray> bytes = readAtMost(maximumBytes, false);
    return bytes ? std::optional(QString::fromUtf8(*bytes)) : std::nullopt;
}
