#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Runs external commands (systemctl, launchctl, gsettings). Tests install a recording runner instead of
// touching the real user session.
class ProcessRunner
{
public:
    virtual ~ProcessRunner() = default;

    // Runs the program to its end with output discarded; the exit code, or -1 when it could not
    // start or crashed.
    virtual int run(const QString& program, const QStringList& arguments) = 0;
    // Runs the program to its end and returns what it wrote on standard output; nothing when it
    // could not start, crashed or exited with a status other than 0.
    virtual std::optional<QByteArray> output(const QString& program, const QStringList& arguments) = 0;

    // The runner in use: the system one unless a test replaced it.
    static ProcessRunner& current();
    // nullptr restores the system runner. The caller keeps ownership.
    static void setCurrent(ProcessRunner* runner);
};

class SystemProcessRunner : public ProcessRunner
{
public:
    int run(const QString& program, const QStringList& arguments) override;
    std::optional<QByteArray> output(const QString& program, const QStringList& arguments) override;
};
