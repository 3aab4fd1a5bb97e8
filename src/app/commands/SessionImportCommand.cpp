#include "SessionImportCommand.h"

#include "CommandRunner.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "refresh/AccountRegistry.h"

using namespace Qt::StringLiterals;
using CommandRunner::print;

namespace {

// The editor's login goes to the account it belongs to, by the rule every token follows: with the
// home account alone, to that; with several, to its own account, or nowhere. Being the user's own
// command, it may unlock the keyring (also when no token is stored yet: the import writes one);
// where the prompt cannot be shown or is cancelled, nothing is imported.
QCoro::Task<int> importEditorLogin()
{
    EditorSession::Login login;
    try {
        login = EditorLogin::current();
    } catch (const EditorSessionError& error) {
        co_return print(stderr, error.description(), 1);
    }
    const AccountRegistry::Outcome outcome = co_await AccountRegistry::receive(
        AccountRegistry::Arrival::import, login.token, login.userId, std::make_shared<CursorService>());
    if (outcome.kind == AccountRegistry::Outcome::Kind::refused)
        co_return print(stderr, outcome.text, 1);
    co_return print(stdout, SessionImportCommand::successLine(login.userId, login.expiresAt.toDateTime()), 0);
}

} // namespace

QString SessionImportCommand::successLine(const QString& userId, const QDateTime& expiresAt)
{
    return u"已从 Cursor 编辑器导入登录："_s + userId + u"，有效期至 "_s +
           expiresAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
}

int SessionImportCommand::run(int& argc, char** argv)
{
    return CommandRunner::run(argc, argv, importEditorLogin);
}
