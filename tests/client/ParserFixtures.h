#pragma once

#include "client/UsageParser.h"

#include <QJsonArray>
#include <QJsonDocument>

inline QJsonObject jsonObject(const QByteArray& json)
{
    return QJsonDocument::fromJson(json).object();
}

inline UsageParser::Answer fixture(const char* name)
{
    return QJsonDocument::fromJson(readTestData(TALLYFERN_TEST_DATA_DIR, QString::fromLatin1(name))).object();
}

inline UsageParser::Events eventsFrom(const QByteArray& jsonArray)
{
    UsageParser::Events events;
    for (const QJsonValue& value : QJsonDocument::fromJson(jsonArray).array())
        events.append(value.toObject());
    return events;
}
