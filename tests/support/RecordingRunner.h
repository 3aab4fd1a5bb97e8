#pragma once

#include "platform/ProcessRunner.h"

#include <QStringList>

#include <functional>

// Records every command instead of touching the real user manager or desktop, and fails it unless
// told otherwise: a failing manager must change nothing.
struct RecordingRunner : ProcessRunner
{
    QStringList commands;
    int exitCode = 1;
    // Appended to each command, for what a test wants to know about the moment it ran.
    std::function<QString()> note;
    // When set, answers each command (its program and arguments joined by spaces) with its exit
    // code and what it printed, in place of `exitCode` and nothing.
    std::function<std::pair<int, QByteArray>(const QString& command)> answer;

    int run(const QString& program, const QStringList& arguments) override;
    std::optional<QByteArray> output(const QString& program, const QStringList& arguments) override;

private:
    std::pair<int, QByteArray> record(const QString& program, const QStringList& arguments);
};
