#pragma once

#include <QCoroTask>
#include <QString>

#include <cstdio>
#include <functional>

// How a command that opens no window runs and ends: its work on a QCoreApplication of its own, and
// one line out with the exit status.
namespace CommandRunner {

// Writes `line` and a newline to `stream` and returns `status`, for `return print(stderr, why, 1)`.
int print(std::FILE* stream, const QString& line, int status);

// Runs `work` on a new QCoreApplication, started from the running loop (the keyring's unlock and the
// network answer there, and a task that ends without waiting still finds the loop to quit), and
// returns the exit status it gave; 1 should the loop end first.
int run(int& argc, char** argv, std::function<QCoro::Task<int>()> work);

// For every mode but the window: Qt's debug, info, warning and critical messages are dropped, so
// only what the command means to say is printed.
void silenceQtMessages();

} // namespace CommandRunner
