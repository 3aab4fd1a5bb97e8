#include "SessionImportCommand.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <optional>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int print(std::FILE* stream, const QString& line, int status)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
    return status;
}

int importOnce()
{
    try {
        const EditorSession::Login login = EditorLogin::importNow();
        return print(stdout, SessionImportCommand::successLine(login.userId, login.expiresAt.toDateTime()),
                     0);
    } catch (const EditorSessionError& error) {
        return print(stderr, error.description(), 1);
    } catch (const SessionKeychainError& error) {
        return print(stderr, error.description(), 1);
    }
}

QCoro::Task<> importThenQuit(int& status)
{
    // The user's own command may unlock the keyring, also when no token is stored yet (the import
    // writes one); where the prompt cannot be shown or is cancelled, the stored token stays and
    // nothing is imported.
    bool locked = SessionKeychain::needsUnlock();
    if (locked) {
        co_await SessionKeychain::unlockAndLookup();
        locked = SessionKeychain::needsUnlock();
    }
    status = locked ? print(stderr, u"钥匙串已锁定"_s, 1) : importOnce();
    QCoreApplication::quit();
}

} // namespace

QString SessionImportCommand::successLine(const QString& userId, const QDateTime& expiresAt)
{
    return u"已从 Cursor 编辑器导入登录："_s + userId + u"，有效期至 "_s +
           expiresAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
}

int SessionImportCommand::run(int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int status = 1;
    std::optional<QCoro::Task<>> task;
    // Started from the running loop, so that a quick answer still finds the loop there to quit.
    QTimer::singleShot(0, &app, [&] { task.emplace(importThenQuit(status)); });
    app.exec();
    return status;
}
