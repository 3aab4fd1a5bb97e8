#include "SecretInput.h"

#include <QByteArray>

#include <csignal>
#include <cstdio>
#include <iterator>

#include <termios.h>
#include <unistd.h>

namespace {

// The signals a terminal user ends a program with (Ctrl+C, Ctrl+\, closing the window) or `kill`.
constexpr int endingSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};

termios savedTerminal;
volatile std::sig_atomic_t terminalChanged = 0;

void restoreTerminal()
{
    if (terminalChanged) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        terminalChanged = 0;
    }
}

// Ended by a signal while the terminal is changed: it gets its settings back before the process
// ends as it would.
void interrupted(int signal)
{
    restoreTerminal();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Up to the limit and one byte more, so that a longer input can be told apart.
std::optional<QByteArray> readAtMost(qint64 limit)
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
    }
    if (bytes.size() > limit)
        return std::nullopt;
    return bytes;
}

// One line from a terminal whose own line editing is off: Enter or Ctrl+D ends it, and Backspace
// and Ctrl+U still edit it as the terminal would have. Over the limit: nothing.
std::optional<QByteArray> readTypedLine(qint64 limit)
{
    QByteArray line;
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return line;
        for (ssize_t i = 0; i < got; ++i) {
            switch (const char c = buffer[i]) {
            case '\n':
            case '\r':
            case '\x04': // Ctrl+D
                return line;
            case '\x7f': // Backspace
            case '\b':
                line.chop(1);
                break;
            case '\x15': // Ctrl+U
                line.clear();
                break;
            default:
                line.append(c);
                if (line.size() > limit)
                    return std::nullopt;
            }
        }
    }
}

} // namespace

std::optional<QString> SecretInput::read(const QString& prompt)
{
    const bool terminal = ::isatty(STDIN_FILENO);
    if (terminal && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        // No echo, and no line editing by the terminal: a line it edits is cut at 4095 bytes, and a
        // whole Cookie header can be longer.
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO | ICANON);
        quiet.c_cc[VMIN] = 1;
        quiet.c_cc[VTIME] = 0;
        using Handler = void (*)(int);
        Handler previous[std::size(endingSignals)];
        for (std::size_t i = 0; i < std::size(endingSignals); ++i)
            previous[i] = std::signal(endingSignals[i], interrupted);
        if (::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0)
            terminalChanged = 1;
        const std::optional<QByteArray> line = readTypedLine(maximumBytes);
        restoreTerminal();
        for (std::size_t i = 0; i < std::size(endingSignals); ++i)
            std::signal(endingSignals[i], previous[i]);
        std::fputc('\n', stderr);
        if (!line)
            return std::nullopt;
        return QString::fromUtf8(*line);
    }
    const std::optional<QByteArray> bytes = readAtMost(maximumBytes);
    return bytes ? std::optional(QString::fromUtf8(*bytes)) : std::nullopt;
}
