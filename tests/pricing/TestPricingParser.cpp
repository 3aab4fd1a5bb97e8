#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "pricing/PricingParser.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

QString document(const QString& name)
{
    return QString::fromUtf8(readTestData(TALLYFERN_TEST_DATA_DIR, name));
}

} // namespace

class TestPricingParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realDocument()
    {
        const Timestamp now = at(u"2026-05-13T08:00:00Z"_s);
        const QString text = document(u"models-and-pricing.md"_s);
        const auto catalog = PricingParser::parse(text, now);
        QVERIFY(catalog);
        // The row's own sentence wins over an earlier, unrelated one in the introduction.
        QCOMPARE(catalog->grok46DiscountEnd, at(u"2026-05-20T00:00:00Z"_s));
        const QList<PricingEntry> expected{
            {u"4.5-sonnet"_s, false, 3, 3.75, 0.30, 15, false},
            {u"opus-4.8"_s, false, 5, 6.25, 0.50, 25, false},
            {u"gpt-5"_s, false, 1.25, 0, 0.125, 10, false},
            {u"gpt-5"_s, true, 2.50, 0, 0.25, 20, false},
            {u"gemini-3.1-pro"_s, false, 2, 0, 0.20, 12, false},
            {u"grok-4.6"_s, false, 2, 0, 0.50, 6, true},
            {u"grok-4.6"_s, true, 4, 0, 1, 12, true},
            {u"composer-2.5"_s, false, 0.50, 0, 0.20, 2.50, false},
            {u"composer-2.5"_s, true, 3, 0, 0.50, 15, false},
            // "Auto" has no prices; then the second table.
            {u"grok-4.5"_s, false, 2, 0, 0.50, 6, false},
            {u"grok-4.5"_s, true, 4, 0, 1, 12, false},
            {u"4-opus"_s, false, 15, 18.75, 1.50, 75, false},
        };
        QCOMPARE(catalog->entries, expected);

        // The same document saved with Windows line ends is the same catalog.
        QCOMPARE(PricingParser::parse(QString(text).replace(u"\n"_s, u"\r\n"_s), now), catalog);
    }

    // Each row of odd-rows.md says why it is read or dropped.
    void oddDocument()
    {
        const auto catalog = PricingParser::parse(document(u"odd-rows.md"_s), at(u"2026-05-13T08:00:00Z"_s));
        QVERIFY(catalog);
        const QList<PricingEntry> expected{
            {u"gemini-3.1-pro"_s, false, 2, 0, 0, 12, false},
            {u"blank-cache-write"_s, false, 2, 0.5, 6, 7, false},
            {u"any-dress"_s, false, 2, 1250, 0.5, 15, false},
            {u"gpt-5"_s, true, 2.5, 0, 0.25, 20, false},
            {u"composer-2.5"_s, true, 3, 0, 0.5, 15, false},
            {u"gpt-5"_s, true, 2.5, 0, 0.25, 20, false},
            {u"fastlane-1"_s, false, 1, 0, 0, 2, false},
            {u"opus-by-claude-5"_s, false, 5, 0, 0, 25, false},
            {u"grok-5"_s, false, 4, 0, 1, 12, true},
            {u"grok-4.5"_s, false, 2, 0, 0.5, 6, false},
            {u"grok-4.5"_s, true, 4, 0, 1, 12, false},
        };
        QCOMPARE(catalog->entries, expected);
        // Found in the prose when the discounted row does not carry it.
        QCOMPARE(catalog->grok46DiscountEnd, at(u"2026-06-09T00:00:00Z"_s));
    }

    void discountEnd_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::addColumn<std::optional<Timestamp>>("end");
        QTest::newRow("across the year end")
            << u"for one week starting December 31, 2026."_s << std::optional(at(u"2027-01-08T00:00:00Z"_s));
        QTest::newRow("any case") << u"ONE WEEK STARTING june 1, 2026"_s
                                  << std::optional(at(u"2026-06-09T00:00:00Z"_s));
        // The first sentence decides, even when it is unusable.
        QTest::newRow("abbreviated month first")
            << u"one week starting Sept 3, 2026, then one week starting May 1, 2026"_s
            << std::optional<Timestamp>();
        QTest::newRow("no such day") << u"one week starting February 30, 2026"_s
                                     << std::optional<Timestamp>();
        QTest::newRow("no sentence anywhere") << u"-"_s << std::optional<Timestamp>();
    }

    void discountEnd()
    {
        QFETCH(QString, notes);
        QFETCH(std::optional<Timestamp>, end);
        const QString table = u"| Model | Provider | Input | Cache write | Cache read | Output | Notes |\n"
                              u"| Grok 4.6 | xAI | $2 | - | $0.50 | $6 | "_s +
                              notes + u" |";
        const auto catalog = PricingParser::parse(table, at(u"2026-05-13T08:00:00Z"_s));
        QVERIFY(catalog && catalog->entries[0].grok46Discount);
        QCOMPARE(catalog->grok46DiscountEnd, end);
    }

    // A document of many such rows once stalled a refresh (a whole-document search per row);
    // bench/crafted_input_bench measures its speed, this checks every row is still read.
    void manyDiscountedRowsWithoutASentence()
    {
        QString row = u"| Grok 4.6 | xAI | $2 | - | $0.50 | $6 | "_s;
        row += QString(256 - row.size() - 3, u'x') + u" |\n";
        const QString table =
            u"| Model | Provider | Input | Cache write | Cache read | Output | Notes |\n"_s +
            row.repeated(16'384);
        const auto catalog = PricingParser::parse(table, at(u"2026-05-13T08:00:00Z"_s));
        QVERIFY(catalog && !catalog->grok46DiscountEnd);
        QCOMPARE(catalog->entries.size(), 16'384);
    }
};

TALLYFERN_REGISTER_TEST(TestPricingParser);
#include "TestPricingParser.moc"
