#include "ProcessRunner.h"

#include <QProcess>

namespace {

ProcessRunner* replacement = nullptr;

} // namespace

ProcessRunner& ProcessRunner::current()
{
    static SystemProcessRunner system;
    return replacement ? *replacement : system;
}

void ProcessRunner::setCurrent(ProcessRunner* runner)
{
    replacement = runner;
}

int SystemProcessRunner::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::optional<QByteArray> SystemProcessRunner::output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(-1) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}
