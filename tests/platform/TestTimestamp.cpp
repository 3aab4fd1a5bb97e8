#include "TestRegistry.h"

#include "platform/Clock.h"
#include "platform/Timestamp.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestTimestamp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void referenceAndDistantPast()
    {
        QCOMPARE(Timestamp::fromSecondsSince1970(978307200).secondsSinceReference, 0.0);
        // 0001-01-01T00:00:00Z on the Julian calendar that the stored files were first written with.
        QCOMPARE(Timestamp::distantPast().secondsSinceReference, -63114076800.0);
        QVERIFY(Timestamp::distantPast().toDateTime().isValid());
        // Whole seconds only, truncated.
        QCOMPARE(Timestamp::fromMsSince1970(1714521600999).toInternetDateTime(), u"2024-05-01T00:00:00Z"_s);
    }

    void absurdValuesAreNotDates()
    {
        for (const double seconds : {qInf(), -qInf(), qQNaN(), 1e300, -1e300}) {
            const Timestamp t{seconds};
            QVERIFY(!t.toDateTime().isValid());
            QCOMPARE(t.toInternetDateTime(), QString());
        }
    }

    void parseInternetDateTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("msSince1970"); // NaN: rejected
        const double may1 = 1714521600000.0, rejected = qQNaN();
        QTest::newRow("utc") << u"2024-05-01T00:00:00Z"_s << may1;
        QTest::newRow("fraction") << u"2024-05-01T00:00:00.250Z"_s << may1 + 250;
        QTest::newRow("offset") << u"2024-05-01T08:30:00+08:00"_s << may1 + 30 * 60 * 1000.0;
        QTest::newRow("leap day") << u"2024-02-29T12:00:00Z"_s << 1709208000000.0;
        QTest::newRow("bare date") << u"2024-05-01"_s << rejected;
        QTest::newRow("no zone") << u"2024-05-01T00:00:00"_s << rejected;
        QTest::newRow("offset without colon") << u"2024-05-01T00:00:00+0800"_s << rejected;
        QTest::newRow("empty fraction") << u"2024-05-01T00:00:00.Z"_s << rejected;
        QTest::newRow("february 30") << u"2024-02-30T00:00:00Z"_s << rejected;
        QTest::newRow("trailing text") << u"2024-05-01T00:00:00Zx"_s << rejected;
        QTest::newRow("full-width digits") << u"２０２４-05-01T00:00:00Z"_s << rejected;
    }

    void parseInternetDateTime()
    {
        QFETCH(QString, text);
        QFETCH(double, msSince1970);
        const auto parsed = Timestamp::parseInternetDateTime(text);
        QCOMPARE(parsed.has_value(), !qIsNaN(msSince1970));
        if (parsed)
            QCOMPARE(parsed->msSince1970(), msSince1970);
    }

    void clockCanBePinnedAndRestored()
    {
        Clock::setSource([] { return Timestamp{123.5}; });
        QCOMPARE(Clock::now().secondsSinceReference, 123.5);
        Clock::setSource({});
        QVERIFY(Clock::now().secondsSince1970() > 1.7e9);
    }
};

TALLYFERN_REGISTER_TEST(TestTimestamp);
#include "TestTimestamp.moc"
