#include "DashboardError.h"

#include "model/DisplayFormat.h"
#include "platform/ServiceOrigin.h"

using namespace Qt::StringLiterals;

QString DashboardError::description() const
{
    switch (m_kind) {
    case Kind::requestFailed:
        return u"读取 "_s + m_path + u" 失败"_s;
    case Kind::noSession:
        return u"还没有登录态。请先粘贴 Cookie。"_s;
    case Kind::unauthorized:
        return u"Cookie 已失效，请重新粘贴"_s;
    case Kind::empty:
        return u"接口没有返回用量字段"_s;
    case Kind::locked:
        return u"钥匙串已锁定 · 点「刷新」解锁"_s;
    case Kind::rateLimited:
        return u"服务繁忙，"_s + formatShortTime(m_until.toDateTime().toLocalTime().time()) + u" 后再试"_s;
    case Kind::originRefused:
        return ServiceOrigin::refusal().value_or(u"tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用"_s);
    case Kind::badUserId:
        return u"账号标识格式不对："_s + m_path;
    }
    return {};
}

const char* DashboardError::what() const noexcept
{
    switch (m_kind) {
    case Kind::requestFailed:
        return "DashboardError: requestFailed";
    case Kind::noSession:
        return "DashboardError: noSession";
    case Kind::unauthorized:
        return "DashboardError: unauthorized";
    case Kind::empty:
        return "DashboardError: empty";
    case Kind::locked:
        return "DashboardError: locked";
    case Kind::rateLimited:
        return "DashboardError: rateLimited";
    case Kind::originRefused:
        return "DashboardError: originRefused";
    case Kind::badUserId:
        return "DashboardError: badUserId";
    }
    return "DashboardError";
}
