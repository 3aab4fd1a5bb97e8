#include "Clock.h"

#include <QDateTime>

namespace {

Clock::Source& source()
{
    static Clock::Source current;
    return current;
}

} // namespace

Timestamp Clock::now()
{
    if (const auto& override = source())
        return override();
    return Timestamp::fromMsSince1970(double(QDateTime::currentMSecsSinceEpoch()));
}

void Clock::setSource(Source replacement)
{
    source() = std::move(replacement);
}
