#include "TestRegistry.h"

#include "model/QuotaPace.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

UsageSnapshot cycleOf(const QString& start, const QString& end)
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.billingCycleStart = start;
    s.billingCycleEnd = end;
    return s;
}

} // namespace

// Where a quota ends up at the rate it has been used so far: the overview's line, the tooltips, the
// status JSON and the trends page all read this rule.
class TestQuotaPace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outlook_data()
    {
        // The cycle's bounds as the service gives them (empty: none), the moment asked at, the
        // premium quota's used percent (invalid: absent); the line (empty: nothing to say) and the
        // moment the quota runs out (empty while it lasts).
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QVariant>("percent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("runsOutAt");
        const QString may1 = u"2026-05-01T00:00:00Z"_s;
        const QString may31 = u"2026-05-31T00:00:00Z"_s;
        const QString lasts = u"按当前速度，高级模型额度可用到账期结束"_s;
        const QString usedUp = u"高级模型额度已用完"_s;
        QTest::newRow("first day") << may1 << may31 << u"2026-05-01T23:59:59Z"_s << QVariant(50) << QString()
                                   << QString();
        QTest::newRow("a whole day") << may1 << may31 << u"2026-05-02T00:00:00Z"_s << QVariant(50)
                                     << u"按当前速度，高级模型额度约在 5月3日 用完"_s
                                     << u"2026-05-03T00:00:00Z"_s;
        QTest::newRow("on pace") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant(50) << lasts
                                 << QString();
        QTest::newRow("just ahead") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant(51)
                                    << u"按当前速度，高级模型额度约在 5月30日 用完"_s
                                    << u"2026-05-30T09:52:56Z"_s;
        QTest::newRow("exactly 100 at the end")
            << may1 << may31 << may31 << QVariant(100) << lasts << QString();
        QTest::newRow("100 before the end") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant(100)
                                            << usedUp << u"2026-05-16T00:00:00Z"_s;
        QTest::newRow("over 100") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant(120) << usedUp
                                  << u"2026-05-13T12:00:00Z"_s;
        // A snapshot not refreshed since its cycle ended: the whole cycle has gone by, no more.
        QTest::newRow("over 100 after the end") << may1 << may31 << u"2026-06-02T00:00:00Z"_s << QVariant(105)
                                                << usedUp << u"2026-05-31T11:25:42Z"_s;
        QTest::newRow("zero") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant(0) << lasts
                              << QString();
        QTest::newRow("negative") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant(-5) << lasts
                                  << QString();
        QTest::newRow("absent") << may1 << may31 << u"2026-05-16T00:00:00Z"_s << QVariant() << QString()
                                << QString();
        // Half past midnight in Shanghai is still the evening before in UTC: the local day is named.
        QTest::newRow("near midnight")
            << may1 << may31 << u"2026-05-10T20:15:00Z"_s << QVariant(50)
            << u"按当前速度，高级模型额度约在 5月21日 用完"_s << u"2026-05-20T16:30:00Z"_s;
        // Without a cycle from the service, the local calendar month: 1 May 00:00 in Shanghai.
        QTest::newRow("calendar month")
            << QString() << QString() << u"2026-05-16T10:00:00+08:00"_s << QVariant(80)
            << u"按当前速度，高级模型额度约在 5月20日 用完"_s << u"2026-05-19T22:30:00Z"_s;
        QTest::newRow("calendar month, a local day in")
            << QString() << QString() << u"2026-05-02T06:00:00+08:00"_s << QVariant(80)
            << u"按当前速度，高级模型额度约在 5月2日 用完"_s << u"2026-05-02T05:30:00Z"_s;
    }

    void outlook()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, now);
        QFETCH(QVariant, percent);
        QFETCH(QString, text);
        UsageSnapshot s = cycleOf(start, end);
        if (percent.isValid())
            s.otherModelsPercent = percent.toLongLong();
        const auto outlook = QuotaPace::outlook(s, QuotaPace::Pool::premium, at(now));
        QCOMPARE(outlook ? QuotaPace::text(QuotaPace::Pool::premium, *outlook) : QString(), text);
        QTEST(outlook && outlook->kind != QuotaPace::Outlook::Kind::lasts ? outlook->at.toInternetDateTime()
                                                                          : QString(),
              "runsOutAt");
        s.hasRealData = false;
        QVERIFY(!QuotaPace::outlook(s, QuotaPace::Pool::premium, at(now)));
    }

    void firstToRunOut()
    {
        // Half the cycle gone by: 60 % used runs out on 26 May, 75 % on 21 May.
        const Timestamp now = at(u"2026-05-16T00:00:00Z"_s);
        UsageSnapshot s = cycleOf(u"2026-05-01T00:00:00Z"_s, u"2026-05-31T00:00:00Z"_s);
        s.cursorModelsPercent = 40;
        s.otherModelsPercent = 50;
        QCOMPARE(QuotaPace::warning(s, now), QString()); // both last: nothing
        s.cursorModelsPercent = 75;
        s.otherModelsPercent = 60;
        QCOMPARE(QuotaPace::warning(s, now), u"按当前速度，Cursor 模型额度约在 5月21日 用完"_s);
        s.otherModelsPercent = 75; // a tie: the premium quota
        QCOMPARE(QuotaPace::warning(s, now), u"按当前速度，高级模型额度约在 5月21日 用完"_s);
        s.cursorModelsPercent = 100; // used up today, before either runs out
        QCOMPARE(QuotaPace::warning(s, now), u"Cursor 模型额度已用完"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestQuotaPace);
#include "TestQuotaPace.moc"
