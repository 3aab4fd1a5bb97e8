#include "FuzzInput.h"

#include "model/UsageJSON.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {

// Every reader on every value of the answer, at any depth.
void readAll(const QJsonValue& value, int depth)
{
    const auto number = UsageJSON::number(value);
    if (number)
        UsageJSON::rounded(*number);
    if (const auto text = UsageJSON::string(value)) {
        FuzzInput::require(!text->isEmpty());
        UsageJSON::date(*text);
    }
    if (const auto ms = UsageJSON::toMs(value); ms && std::isfinite(*ms)) {
        const Timestamp at = Timestamp::fromMsSince1970(*ms);
        UsageJSON::monthDay(at);
        UsageJSON::utcDay(at);
    }
    UsageJSON::tokens(value);
    if (depth > 64)
        return;
    if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            readAll(item, depth + 1);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            readAll(it.value(), depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto document = FuzzInput::json(data, size);
    if (!document)
        return 0;
    readAll(document->isArray() ? QJsonValue(document->array()) : QJsonValue(document->object()), 0);
    return 0;
}
