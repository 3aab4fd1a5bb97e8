#pragma once

#include "platform/ProcessRunner.h"

#include <QStringList>

#include <functional>

// Records every command instead of touching the real user manager, and fails it unless told
// otherwise: a failing manager must change nothing.
struct RecordingRunner : ProcessRunner
{
    QStringList commands;
    int exitCode = 1;
    // Appended to each command, for what a test wants to know about the moment it ran.
    std::function<QString()> note;

    int run(const QString& program, const QStringList& arguments) override;
};
