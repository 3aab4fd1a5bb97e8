#include "RecordingRunner.h"

int RecordingRunner::run(const QString& program, const QStringList& arguments)
{
    return record(program, arguments).first;
}

std::optional<QByteArray> RecordingRunner::output(const QString& program, const QStringList& arguments)
{
    const auto [status, printed] = record(program, arguments);
    return status == 0 ? std::optional(printed) : std::nullopt;
}

std::pair<int, QByteArray> RecordingRunner::record(const QString& program, const QStringList& arguments)
{
    const QString command = (QStringList{program} + arguments).join(u' ');
    commands.append(command + (note ? note() : QString()));
    return answer ? answer(command) : std::pair(exitCode, QByteArray());
}
