#pragma once

#include "FakeService.h"

#include <QList>
#include <QString>

#include <mutex>

// A generated busy account for the event pages: thousands of events over a span, spread by hour
// and weekday as real use is, in many models. Answers "get-filtered-usage-events" bodies by their
// window and page, newest first, with the window's total count. Nothing is stored on disk.
class HeavyAccount
{
public:
    struct Event
    {
        qint64 ms = 0;
        QString model;
        QString kind;
        qint64 input = 0;
        qint64 output = 0;
        qint64 cacheRead = 0;
        qint64 cacheWrite = 0;
    };

    // `count` events in [startMs, startMs + days), the same for the same seed.
    HeavyAccount(qint64 startMs, int days, int count, int models = 20, quint32 seed = 7);

    QList<Event> events() const;
    // A late event, as the service records one after its window was read.
    void add(const Event& event);

    // Handler for FakeService::setHandler on the events path. Thread-safe.
    FakeService::Answer answer(const FakeService::Request& request) const;

private:
    mutable std::mutex m_mutex;
    QList<Event> m_events; // oldest first
};
