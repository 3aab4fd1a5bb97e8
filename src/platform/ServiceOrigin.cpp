#include "ServiceOrigin.h"

#include <QHostAddress>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

bool isLoopback(const QString& host)
{
    if (host.compare("localhost"_L1, Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

std::optional<QString> ServiceOrigin::accepted(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() ||
        url.hasFragment() || !(url.path().isEmpty() || url.path() == "/"_L1))
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != "https"_L1 && !(scheme == "http"_L1 && isLoopback(url.host())))
        return std::nullopt;
    return url.adjusted(QUrl::RemovePath).toString(QUrl::FullyEncoded);
}

QString ServiceOrigin::current()
{
    if (qEnvironmentVariableIsSet("TALLYFERN_SERVICE_ORIGIN")) {
        if (const auto origin = accepted(qEnvironmentVariable("TALLYFERN_SERVICE_ORIGIN")))
            return *origin;
    }
    return QString::fromLatin1(defaultOrigin);
}
