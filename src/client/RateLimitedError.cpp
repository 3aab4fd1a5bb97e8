#include "RateLimitedError.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

Timestamp RateLimitedError::waitUntil(const QByteArray& retryAfter, Timestamp now)
{
    const QString text = QString::fromLatin1(retryAfter).trimmed();
    double seconds = -1;
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber) {
        seconds = number;
    } else if (!text.isEmpty()) {
        // IMF-fixdate, the form HTTP/1.1 senders must use: "Sun, 06 Dec 2026 08:49:37 GMT".
        QDateTime date = QLocale::c().toDateTime(text, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
        if (date.isValid()) {
            date.setTimeZone(QTimeZone::utc());
            seconds = double(date.toSecsSinceEpoch()) - now.secondsSince1970();
        }
    }
    if (!std::isfinite(seconds) || seconds <= 0)
        seconds = defaultWaitSeconds;
    seconds = std::min(seconds, longestWaitSeconds);
    return Timestamp::fromSecondsSince1970(now.secondsSince1970() + seconds);
}
