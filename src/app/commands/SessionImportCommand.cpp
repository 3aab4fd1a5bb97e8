#include "SessionImportCommand.h"

#include "CommandRunner.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "client/SessionKeychain.h"
#include "client/SessionKeychainError.h"

#include <QDateTime>

using namespace Qt::StringLiterals;
using CommandRunner::print;

namespace {

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

QCoro::Task<int> importAfterUnlock()
{
    // The user's own command may unlock the keyring, also when no token is stored yet (the import
    // writes one); where the prompt cannot be shown or is cancelled, the stored token stays and
    // nothing is imported.
    bool locked = SessionKeychain::needsUnlock();
    if (locked) {
        co_await SessionKeychain::unlockAndLookup();
        locked = SessionKeychain::needsUnlock();
    }
    co_return locked ? print(stderr, u"钥匙串已锁定"_s, 1) : importOnce();
}

} // namespace

QString SessionImportCommand::successLine(const QString& userId, const QDateTime& expiresAt)
{
    return u"已从 Cursor 编辑器导入登录："_s + userId + u"，有效期至 "_s +
           expiresAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
}

int SessionImportCommand::run(int& argc, char** argv)
{
    return CommandRunner::run(argc, argv, importAfterUnlock);
}
