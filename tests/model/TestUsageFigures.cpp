#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/StatusText.h"
#include "model/UsageSnapshot.h"

#include <QtTest>

Q_DECLARE_METATYPE(UsageSnapshot)

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot withRealData()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.monthlyLimit = 20;
    return s;
}

ModelUsage row(const QString& name, double input, double output = 0)
{
    return ModelUsage{name, ModelUsage::groupFor(name), {input, output, 0, 0, input + output}, 0, 0};
}

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

} // namespace

class TestUsageFigures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void remainingPercent()
    {
        UsageSnapshot s = withRealData();
        s.includedPercent = 35;
        QCOMPARE(s.remainingPercent(), 65);
        s.cursorModelsPercent = 130;
        QCOMPARE(s.remainingPercent(), 0);
        s.cursorModelsPercent = -20;
        QCOMPARE(s.remainingPercent(), 100);
        s.cursorModelsPercent = std::numeric_limits<qint64>::min();
        QCOMPARE(s.remainingPercent(), 100);
        s.cursorModelsPercent = std::nullopt;
        s.monthlyLimit = 0;
        s.includedPercent = 0;
        QCOMPARE(s.remainingPercent(), 0);
        s.includedPercent = 40;
        QCOMPARE(s.remainingPercent(), 60);

        s.hasRealData = false;
        s.cursorModelsPercent = 10;
        QCOMPARE(s.remainingPercent(), 0);
    }

    void daysRemainingCountsLocalCalendarDays()
    {
        // TZ=Asia/Shanghai: local midnight is 16:00Z the day before.
        const Timestamp now = at(u"2025-05-10T12:00:00Z"_s); // 20:00 local on 10 May
        UsageSnapshot s = withRealData();
        QCOMPARE(s.daysRemaining(now), std::nullopt);

        s.billingCycleEnd = u"2025-05-10T01:00:00Z"_s; // earlier today
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
        s.billingCycleEnd = u"2025-05-10T16:30:00Z"_s; // tomorrow 00:30 local
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(1));
        s.billingCycleEnd = u"2025-05-10T15:59:59Z"_s; // tonight 23:59:59 local
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
        s.billingCycleEnd = u"2025-06-01T00:00:00Z"_s;
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(22));
        s.billingCycleEnd = u"2025-04-01T00:00:00Z"_s;
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
        s.billingCycleEnd = u"1749686400000"_s; // milliseconds also parse
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(33));
        s.billingCycleEnd = u"99999999999999999999"_s; // absurd but parsable
        QCOMPARE(s.daysRemaining(now), std::optional<qint64>(0));
    }

    void grokFootnote()
    {
        const Timestamp now = at(u"2025-05-10T04:00:00Z"_s);
        UsageSnapshot s = withRealData();
        QCOMPARE(s.grokFootnote(now), u"周重置时间未返回"_s);
        s.grokResetAt = u"next Monday"_s;
        QCOMPARE(s.grokFootnote(now), u"重置 next Monday"_s);
        QCOMPARE(s.grokDaysRemaining(now), std::nullopt);
        s.grokResetAt = u"2025-05-13T04:00:00Z"_s;
        QCOMPARE(s.grokFootnote(now), u"重置 5月13日（还剩 3 天）"_s);
    }

    void statusLine_data()
    {
        QTest::addColumn<UsageSnapshot>("snapshot");
        QTest::addColumn<QString>("line");
        UsageSnapshot full = withRealData();
        full.cursorModelsPercent = 28;
        full.otherModelsPercent = 64;
        full.grokWeeklyPercent = 140; // the quota bar's figure, unclamped
        full.billingCycleEnd = u"2025-05-22T04:00:00Z"_s;
        QTest::newRow("every figure")
            << full << u"Cursor 剩余 72% · 高级剩余 36% · Grok 已用 140% · 还剩 12 天"_s;
        UsageSnapshot sparse = withRealData();
        sparse.cursorModelsPercent = 130;
        QTest::newRow("absent figures left out") << sparse << u"Cursor 剩余 0%"_s;
        full.hasRealData = false;
        QTest::newRow("no real data") << full << u"暂无用量数据"_s;
    }

    void statusLine()
    {
        QFETCH(UsageSnapshot, snapshot);
        QTEST(StatusText::line(snapshot, at(u"2025-05-10T04:00:00Z"_s)), "line");
    }

    void sourcesSplitRowsByName()
    {
        TestEnvironment env; // no stored catalog: the built-in table prices
        UsageSnapshot s = withRealData();
        s.models = {row(u"auto"_s, 100),
                    row(u"sand-x"_s, 40),
                    row(u"claude-4.5-sonnet"_s, 1'000'000, 1'000'000),
                    row(u"cursor-small"_s, 10),
                    row(u"default"_s, 5),
                    row(u"gpt-5"_s, 7)};
        QCOMPARE(s.cursorSourceTokens(), 110.0);
        QCOMPARE(s.grokBotSourceTokens(), 40.0);
        QCOMPARE(s.otherSourceTokens(), 2'000'012.0);
        QCOMPARE(s.cursorModels().size(), 2);
        QCOMPARE(s.otherModels().size(), 4); // sand-x is `other` by group
        QCOMPARE(s.otherModels().at(0).name, u"sand-x"_s);

        const Timestamp now = at(u"2025-05-10T04:00:00Z"_s);
        // 'auto' and 'cursor-small' have no built-in price: nothing, not $0.
        QCOMPARE(s.sourceUSD(TokenSource::cursor, now), std::nullopt);
        QCOMPARE(s.sourceUSD(TokenSource::grokBot, now), std::nullopt);
        QCOMPARE(s.sourceUSD(TokenSource::other, now), std::optional(18.0));

        s.models.append(row(u"grok-4.6"_s, 1'000'000, 1'000'000));
        QCOMPARE(s.sourceUSD(TokenSource::other, now), std::optional(22.0)); // discounted 8 → 4
    }
};

TALLYFERN_REGISTER_TEST(TestUsageFigures);
#include "TestUsageFigures.moc"
