#include "TestRegistry.h"

#include "client/FetchRules.h"
#include "client/RateLimit.h"
#include "client/SessionKeychain.h"

#include <QJsonDocument>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace DashboardClient;

namespace {

// Local midnight of 1 April 2026 in Shanghai (the tests' time zone), and Monday 20 April 10:00.
constexpr double monthStartMs = 1774972800000, nowMs = 1776650400000;
const Timestamp now = Timestamp::fromSecondsSince1970(nowMs / 1000);

std::optional<double> bound(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional(text.toDouble());
}

} // namespace

// The client's decisions that need no network, as tables: which windows and bodies to ask for,
// when to stop paging, what a paste holds, and how long a 429 holds the service off.
class TestClientRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aggregatedWindows_data()
    {
        QTest::addColumn<QString>("cycleStart"); // milliseconds; empty: the service gave none
        QTest::addColumn<QString>("cycleEnd");
        QTest::addColumn<QString>("windows");
        const QString month = u"1774972800000-1776650400000"_s;
        QTest::newRow("no cycle: the month") << QString() << QString() << month;
        // Twelve hours either side of the month's start still count as starting with it.
        QTest::newRow("12 h after the month") << u"1775016000000"_s << u"1777564800000"_s << month;
        QTest::newRow("12 h before the month") << u"1774929600000"_s << u"1777564800000"_s << month;
        QTest::newRow("just past 12 h")
            << u"1775016000001"_s << u"1777564800000"_s << month + u" 1775016000001-1777564800000";
        QTest::newRow("from the 17th, ending after now")
            << u"1776418934000"_s << u"1779010934000"_s << month + u" 1776418934000-1779010934000";
        QTest::newRow("a cycle that ended: up to now")
            << u"1773740534000"_s << u"1776418934000"_s << month + u" 1773740534000-1776650400000";
        QTest::newRow("no end: up to now")
            << u"1776418934000"_s << QString() << month + u" 1776418934000-1776650400000";
    }

    void aggregatedWindows()
    {
        QFETCH(QString, cycleStart);
        QFETCH(QString, cycleEnd);
        QStringList windows;
        for (const FetchRules::Window& window :
             FetchRules::aggregatedWindows(bound(cycleStart), bound(cycleEnd), monthStartMs, nowMs))
            windows << QString::number(qint64(window.startMs)) + u'-' + QString::number(qint64(window.endMs));
        QTEST(windows.join(u' '), "windows");
    }

    void aggregatedBodies_data()
    {
        QTest::addColumn<int>("preferred");
        QTest::addColumn<QString>("order"); // the bodies tried in turn, by the team id they send
        QTest::newRow("the team first") << int(AggregatedBody::team0) << u"0 -1 none"_s;
        QTest::newRow("after -1 gave usage") << int(AggregatedBody::teamNeg1) << u"-1 0 none"_s;
        QTest::newRow("after the window alone") << int(AggregatedBody::datesOnly) << u"none 0 -1"_s;
    }

    void aggregatedBodies()
    {
        QFETCH(int, preferred);
        QStringList order;
        for (const AggregatedBody body : FetchRules::aggregatedOrder(AggregatedBody(preferred))) {
            const QJsonObject sent = *payload(body, 254123789, 1776418934000, 1779010934000);
            order << (sent.contains("teamId"_L1) ? QString::number(sent.value("teamId"_L1).toInt())
                                                 : u"none"_s);
        }
        QTEST(order.join(u' '), "order");
        // A window no request can carry is not asked for.
        QVERIFY(!payload(AggregatedBody(preferred), 1, qInf(), 0) &&
                !payload(AggregatedBody(preferred), 1, 0, 1e19));
    }

    void paging_data()
    {
        QTest::addColumn<int>("before"); // events gathered before the page
        QTest::addColumn<int>("after");
        QTest::addColumn<qint64>("expected"); // the count the service gave, or the events seen
        QTest::addColumn<bool>("next");
        QTest::newRow("a full page, more to come") << 0 << 200 << qint64(1000) << true;
        QTest::newRow("all there is") << 200 << 400 << qint64(400) << false;
        QTest::newRow("more than announced") << 0 << 200 << qint64(150) << false;
        QTest::newRow("an empty page ends it") << 200 << 200 << qint64(1000) << false;
    }

    void paging()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(qint64, expected);
        QTEST(FetchRules::wantsNextPage(before, after, expected), "next");
    }

    void todaysWindow_data()
    {
        QTest::addColumn<QString>("cycleStart");
        QTest::addColumn<bool>("ownWindow");
        // Today starts at 2026-04-20T00:00+08:00.
        QTest::newRow("a cycle from the 17th") << u"2026-04-17T09:42:14Z"_s << true;
        QTest::newRow("a cycle from last evening") << u"2026-04-19T20:00:00Z"_s << false;
        QTest::newRow("12 h before today") << u"2026-04-19T04:00:00Z"_s << true;
    }

    void todaysWindow()
    {
        QFETCH(QString, cycleStart);
        const double startMs = Timestamp::parseInternetDateTime(cycleStart)->msSince1970();
        QTEST(FetchRules::todayNeedsOwnWindow(startMs, 1776614400000), "ownWindow");
    }

    void pastedCookies_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("token"); // empty: no token
        QTest::addColumn<bool>("sendable");
        QTest::newRow("the bare value, blanks around")
            << u"\n\n  tok-value \r\n\t"_s << u"tok-value"_s << true;
        QTest::newRow("a whole header")
            << u"Cookie: _ga=GA1.1; WorkosCursorSessionToken=user_01%3A%3Aeyj.x; b=2"_s << u"user_01::eyj.x"_s
            << true;
        QTest::newRow("any case") << u"workoscursorsessiontoken=tok"_s << u"tok"_s << true;
        QTest::newRow("up to the line's end")
            << u"WorkosCursorSessionToken=first\nsecond"_s << u"first"_s << true;
        QTest::newRow("only the separator decoded")
            << u"WorkosCursorSessionToken=a%3a%3Ab%3A%3Ac%20d"_s << u"a%3a%3Ab::c%20d"_s << true;
        QTest::newRow("an empty cookie") << u"WorkosCursorSessionToken=; other=1"_s << QString() << true;
        // No header could carry these.
        QTest::newRow("a line break inside") << u"user_01NL\n::eyJ.x"_s << u"user_01NL\n::eyJ.x"_s << false;
        QTest::newRow("a control character") << u"tok\u0001en"_s << u"tok\u0001en"_s << false;
    }

    void pastedCookies()
    {
        QFETCH(QString, pasted);
        const QString token = SessionKeychain::normalize(pasted);
        QTEST(token, "token");
        QTEST(SessionKeychain::isSendable(token), "sendable");
    }

    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("retryAfter");
        QTest::addColumn<int>("wait");
        // Now is 02:00 UTC.
        QTest::newRow("seconds") << "120"_ba << 120;
        QTest::newRow("an HTTP date") << "Mon, 20 Apr 2026 02:30:00 GMT"_ba << 1800;
        QTest::newRow("absent") << QByteArray() << 600;
        QTest::newRow("unreadable") << "soon"_ba << 600;
        QTest::newRow("a date already past") << "Mon, 20 Apr 2026 01:00:00 GMT"_ba << 600;
        QTest::newRow("over an hour") << "86400"_ba << 3600;
    }

    void retryAfter()
    {
        QFETCH(QByteArray, retryAfter);
        QTEST(int(RateLimit::waitSeconds(retryAfter, now)), "wait");
    }

    void storedWait_data()
    {
        QTest::addColumn<double>("stored"); // seconds after now; NaN: nothing stored
        QTest::addColumn<double>("held");   // seconds after now; NaN: not held
        QTest::newRow("nothing stored") << qQNaN() << qQNaN();
        QTest::newRow("still ahead") << 120.0 << 120.0;
        QTest::newRow("over") << 0.0 << qQNaN();
        // A clock set back never holds the service off longer than an answer could ask.
        QTest::newRow("further than an hour") << 86400.0 << 3600.0;
    }

    void storedWait()
    {
        QFETCH(double, stored);
        QFETCH(double, held);
        const auto until = RateLimit::stillAhead(
            qIsNaN(stored) ? std::nullopt : std::optional(now.secondsSinceReference + stored), now);
        QCOMPARE(until ? until->secondsSinceReference - now.secondsSinceReference : qQNaN(), held);
    }
};

TALLYFERN_REGISTER_TEST(TestClientRules);
#include "TestClientRules.moc"
