#pragma once

#include <QString>
#include <QStringList>

// Runs external commands (systemctl, launchctl). Tests install a recording runner instead of
// touching the real user session.
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;

    // Runs the program to its end with output discarded; the exit code, or -1 when it could not
    // start or crashed.
    virtual int run(const QString& program, const QStringList& arguments) = 0;

    // The runner in use: the system one unless a test replaced it.
    static ProcessRunner& current();
    // nullptr restores the system runner. The caller keeps ownership.
    static void setCurrent(ProcessRunner* runner);
};

class SystemProcessRunner : public ProcessRunner
{
public:
    int run(const QString& program, const QStringList& arguments) override;
};
