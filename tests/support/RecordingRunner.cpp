#include "RecordingRunner.h"

int RecordingRunner::run(const QString& program, const QStringList& arguments)
{
    commands.append((QStringList{program} + arguments).join(u' ') + (note ? note() : QString()));
    return exitCode;
}
