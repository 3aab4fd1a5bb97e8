#include "CommandRunner.h"

#include "platform/NetworkAccess.h"

#include <QCoreApplication>
#include <QTimer>

#include <optional>

namespace {

// `work` holds what its task refers to (a lambda's captures), so it is kept here until the end.
QCoro::Task<> runThenQuit(std::function<QCoro::Task<int>()> work, int* status)
{
    const int result = co_await work();
    *status = result;
    QCoreApplication::quit();
}

} // namespace

int CommandRunner::print(std::FILE* stream, const QString& line, int status)
{
    std::fputs((line + u'\n').toUtf8().constData(), stream);
    return status;
}

int CommandRunner::run(int& argc, char** argv, std::function<QCoro::Task<int>()> work)
{
    QCoreApplication app(argc, argv);
    int status = 1;
    std::optional<QCoro::Task<>> task;
    QTimer::singleShot(0, &app, [&] { task.emplace(runThenQuit(std::move(work), &status)); });
    app.exec();
    NetworkAccess::releaseManagers();
    return status;
}

void CommandRunner::silenceQtMessages()
{
    // A status bar or a cron mail shows whatever a command prints: a library's warning has no
    // business there. A fatal message still aborts, as Qt would.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtFatalMsg && previous)
            previous(type, context, message);
    });
}
