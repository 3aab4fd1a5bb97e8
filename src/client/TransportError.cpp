#include "TransportError.h"

using namespace Qt::StringLiterals;

QString TransportError::description() const
{
    switch (m_kind) {
    case Kind::network:
        return u"无法连接服务，读取 "_s + m_path + u" 失败"_s;
    case Kind::timeout:
        return u"读取 "_s + m_path + u" 超时"_s;
    case Kind::cancelled:
        return u"读取 "_s + m_path + u" 已取消"_s;
    case Kind::badAnswer:
        return u"读取 "_s + m_path + u" 失败：回应不是有效的 JSON"_s;
    case Kind::badBody:
        return u"无法生成 "_s + m_path + u" 的请求内容"_s;
    }
    return {};
}
