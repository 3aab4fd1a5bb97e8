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

// The variable's value; empty when it is not set, or set to nothing, as `VARIABLE= command` does to
// leave it out.
QString overrideText()
{
    const QString text = qEnvironmentVariable("TALLYFERN_SERVICE_ORIGIN");
    return text.trimmed().isEmpty() ? QString() : text;
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
    const QString text = overrideText();
    if (text.isEmpty())
        return QString::fromLatin1(defaultOrigin);
    return accepted(text).value_or(QString());
}

std::optional<QString> ServiceOrigin::refusal()
{
    const QString text = overrideText();
    if (text.isEmpty() || accepted(text))
        return std::nullopt;
    return u"tallyfern：TALLYFERN_SERVICE_ORIGIN 不可用："_s + text;
}
