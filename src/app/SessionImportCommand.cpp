#include "SessionImportCommand.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "client/SessionKeychainError.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int print(std::FILE* stream, const QString& line, int status)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
    return status;
}

} // namespace

QString SessionImportCommand::successLine(const QString& userId, const QDateTime& expiresAt)
{
    return u"已从 Cursor 编辑器导入登录："_s + userId + u"，有效期至 "_s +
           expiresAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
}

int SessionImportCommand::run(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    try {
        const EditorSession::Login login = EditorLogin::importNow();
        return print(stdout, successLine(login.userId, login.expiresAt.toDateTime()), 0);
    } catch (const EditorSessionError& error) {
        return print(stderr, error.description(), 1);
    } catch (const SessionKeychainError& error) {
        return print(stderr, error.description(), 1);
    }
}
