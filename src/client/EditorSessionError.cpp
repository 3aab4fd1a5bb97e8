#include "EditorSessionError.h"

using namespace Qt::StringLiterals;

QString EditorSessionError::description() const
{
    switch (m_kind) {
    case Kind::noDatabase:
        return u"未找到 Cursor 编辑器的登录数据"_s;
    case Kind::signedOut:
        return u"Cursor 编辑器未登录"_s;
    case Kind::expired:
        return u"Cursor 编辑器的登录已过期"_s;
    case Kind::unreadable:
        return u"无法读取 Cursor 编辑器的数据"_s;
    case Kind::timedOut:
        return u"无法读取 Cursor 编辑器的登录：读取超时"_s;
    case Kind::malformed:
        return u"Cursor 编辑器的登录数据格式不对"_s;
    case Kind::rejected:
        return u"Cursor 编辑器的登录已失效，请在编辑器中重新登录，或粘贴 Cookie"_s;
    }
    return {};
}

const char* EditorSessionError::what() const noexcept
{
    switch (m_kind) {
    case Kind::noDatabase:
        return "EditorSessionError: noDatabase";
    case Kind::signedOut:
        return "EditorSessionError: signedOut";
    case Kind::expired:
        return "EditorSessionError: expired";
    case Kind::unreadable:
        return "EditorSessionError: unreadable";
    case Kind::timedOut:
        return "EditorSessionError: timedOut";
    case Kind::malformed:
        return "EditorSessionError: malformed";
    case Kind::rejected:
        return "EditorSessionError: rejected";
    }
    return "EditorSessionError";
}
