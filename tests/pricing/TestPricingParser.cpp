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

QStringList slugsOf(const std::optional<PricingCatalog>& catalog)
{
    QStringList slugs;
    if (catalog) {
        for (const PricingEntry& entry : catalog->entries)
            slugs.append(entry.slug + (entry.requiresFast ? u" (fast)"_s : QString()));
    }
    return slugs;
}

const QString header = u"| Model | Provider | Input | Cache write | Cache read | Output | Notes |"_s;
const QString separator = u"| ----- | -------- | ----- | ----------- | ---------- | ------ | ----- |"_s;

} // namespace

class TestPricingParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realDocument()
    {
        const Timestamp now = at(u"2026-05-13T08:00:00Z"_s);
        const auto catalog = PricingParser::parse(document(u"models-and-pricing.md"_s), now);
        QVERIFY(catalog);
        QCOMPARE(catalog->syncedAt, now);
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
        QString crlf = document(u"models-and-pricing.md"_s);
        crlf.replace(u"\n"_s, u"\r\n"_s);
        QCOMPARE(PricingParser::parse(crlf, now), catalog);
    }

    void tableBoundaries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("slugs");
        const QString row1 = u"| Grok 4.5 | xAI | $2 | - | $0.50 | $6 | - |"_s;
        const QString row2 = u"| GPT-5 | OpenAI | $1.25 | - | $0.125 | $10 | - |"_s;
        QTest::newRow("with separator") << QStringList{header, separator, row1, row2}.join(u'\n')
                                        << QStringList{u"grok-4.5"_s, u"gpt-5"_s};
        QTest::newRow("without separator")
            << QStringList{header, row1, row2}.join(u'\n') << QStringList{u"grok-4.5"_s, u"gpt-5"_s};
        QTest::newRow("indented rows")
            << QStringList{header, separator, u"  \t" + row1, row2 + u"  "}.join(u'\n')
            << QStringList{u"grok-4.5"_s, u"gpt-5"_s};
        QTest::newRow("two tables, in order")
            << QStringList{header, separator, row2, u""_s, u"More:"_s, header, separator, row1}.join(u'\n')
            << QStringList{u"gpt-5"_s, u"grok-4.5"_s};
        QTest::newRow("a header right after a table starts another")
            << QStringList{header, row2, u"Input, cache write, cache read and output, again:"_s, row1}.join(
                   u'\n')
            << QStringList{u"gpt-5"_s, u"grok-4.5"_s};
        QTest::newRow("prose after a blank line is not read")
            << QStringList{header, separator, row1,
                           u""_s,  row2,      u"| Claude 4.5 Sonnet | A | $3 | $3.75 | $0.30 | $15 |"_s}
                   .join(u'\n')
            << QStringList{u"grok-4.5"_s};
        QTest::newRow("repeated header and separator inside the table")
            << QStringList{header, separator, row1, header, separator, row2}.join(u'\n')
            << QStringList{u"grok-4.5"_s, u"gpt-5"_s};
        QTest::newRow("rows without a header") << QStringList{row1, row2}.join(u'\n') << QStringList{};
        QTest::newRow("header at the very end") << QStringList{u"x"_s, header}.join(u'\n') << QStringList{};
        QTest::newRow("token types are no pricing table")
            << u"| Token type | Meaning |\n| --- | --- |\n| Input | sent |\n| Cache write | stored |\n"
               u"| Cache read | reused |\n| Output | made |"_s
            << QStringList{};
        QTest::newRow("empty document") << QString() << QStringList{};
    }

    void tableBoundaries()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, slugs);
        const auto catalog = PricingParser::parse(text, at(u"2026-01-01T00:00:00Z"_s));
        QCOMPARE(slugsOf(catalog), slugs);
        // No usable row at all means no catalog, never an empty one.
        QCOMPARE(catalog.has_value(), !slugs.isEmpty());
    }

    void rows_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<std::optional<PricingEntry>>("entry");
        const std::optional<PricingEntry> none;
        QTest::newRow("padded, with notes")
            << u"| Claude 4.5 Sonnet   | Anthropic | $3.00  | $3.75 | $0.30 | $15.00 | Thinking too |"_s
            << std::optional(PricingEntry{u"4.5-sonnet"_s, false, 3, 3.75, 0.3, 15, false});
        QTest::newRow("em dash cache write is 0")
            << u"| Grok 4.5 | xAI | $2 | — | $0.50 | $6 |"_s
            << std::optional(PricingEntry{u"grok-4.5"_s, false, 2, 0, 0.5, 6, false});
        QTest::newRow("unusable cache read is 0")
            << u"| Grok 4.5 | xAI | $2 | - | n/a | $6 |"_s
            << std::optional(PricingEntry{u"grok-4.5"_s, false, 2, 0, 0, 6, false});
        QTest::newRow("em dash input") << u"| Grok 4.5 | xAI | — | - | $0.50 | $6 |"_s << none;
        QTest::newRow("no output") << u"| Grok 4.5 | xAI | $2 | - | $0.50 | - | x |"_s << none;
        QTest::newRow("five cells") << u"| Grok 4.5 | xAI | $2 | $0.50 | $6 |"_s << none;
        QTest::newRow("blank cells shift the rest left")
            << u"| Grok 4.5 | xAI | $2 |  | $0.50 | $6 |  |"_s << none;
        QTest::newRow("shifted onto a price")
            << u"| Grok 4.5 | xAI | $2 |  | $0.50 | $6 | $7 |"_s
            << std::optional(PricingEntry{u"grok-4.5"_s, false, 2, 0.5, 6, 7, false});
        QTest::newRow("repeated header") << header << none;
        QTest::newRow("bold Model header") << u"| **Model** | x | $1 | $1 | $1 | $1 |"_s << none;
        QTest::newRow("decoration only") << u"| `` | x | $1 | $1 | $1 | $1 |"_s << none;
        QTest::newRow("link, bold and code")
            << u"| [**`GPT-5`**](/docs/gpt-5 \"GPT\") (Fast mode) | OpenAI | $2.50 | - | $0.25 | $20 |"_s
            << std::optional(PricingEntry{u"gpt-5"_s, true, 2.5, 0, 0.25, 20, false});
        QTest::newRow("discount by name")
            << u"| Grok 4.6 Fast | xAI | $4 | - | $1 | $12 |"_s
            << std::optional(PricingEntry{u"grok-4.6"_s, true, 4, 0, 1, 12, true});
        QTest::newRow("discount by notes")
            << u"| Grok 5 | xAI | $4 | - | $1 | $12 | Includes 50% LAUNCH DISCOUNT |"_s
            << std::optional(PricingEntry{u"grok-5"_s, false, 4, 0, 1, 12, true});
        QTest::newRow("minus sign dropped")
            << u"| Grok 4.5 | xAI | -$2 | - | $0.50 | $6 |"_s
            << std::optional(PricingEntry{u"grok-4.5"_s, false, 2, 0, 0.5, 6, false});
    }

    void rows()
    {
        QFETCH(QString, line);
        QFETCH(std::optional<PricingEntry>, entry);
        QCOMPARE(PricingParser::parseRow(line), entry);
    }

    void money_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<std::optional<double>>("value");
        const std::optional<double> none;
        QTest::newRow("dollars") << u"$3.00"_s << std::optional(3.0);
        QTest::newRow("padded") << u" \t$0.125 "_s << std::optional(0.125);
        QTest::newRow("per MTok text") << u"$15 / MTok"_s << std::optional(15.0);
        QTest::newRow("thousands comma") << u"$1,250"_s << std::optional(1250.0);
        QTest::newRow("leading point") << u".5"_s << std::optional(0.5);
        QTest::newRow("hyphen") << u"-"_s << none;
        QTest::newRow("em dash") << u"—"_s << none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("words") << u"N/A"_s << none;
        QTest::newRow("two points") << u"1.2.3"_s << none;
        QTest::newRow("point only") << u"$."_s << none;
        QTest::newRow("too long for a double") << QString(400, u'9') << none;
    }

    void money()
    {
        QFETCH(QString, cell);
        QFETCH(std::optional<double>, value);
        QCOMPARE(PricingParser::money(cell), value);
    }

    void slugs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("slug");
        QTest::addColumn<bool>("fast");
        QTest::newRow("claude prefix") << u"Claude 4.5 Sonnet"_s << u"4.5-sonnet"_s << false;
        QTest::newRow("trailing fast") << u"Grok 4.6 Fast"_s << u"grok-4.6"_s << true;
        QTest::newRow("fast mode in bold") << u"**GPT-5** (Fast mode)"_s << u"gpt-5"_s << true;
        QTest::newRow("link") << u"[Composer 2.5](/docs/composer)"_s << u"composer-2.5"_s << false;
        QTest::newRow("parenthesised fast") << u"Composer 2.5 (fast)"_s << u"composer-2.5"_s << true;
        QTest::newRow("fast mode words") << u"GPT-5 Fast Mode"_s << u"gpt-5"_s << true;
        QTest::newRow("fast inside a word") << u"Fastlane 1"_s << u"fastlane-1"_s << false;
        QTest::newRow("runs of white space") << u"  Gemini \t 3.1   Pro "_s << u"gemini-3.1-pro"_s << false;
        QTest::newRow("claude not at the start") << u"Opus by Claude 5"_s << u"opus-by-claude-5"_s << false;
    }

    void slugs()
    {
        QFETCH(QString, name);
        QFETCH(QString, slug);
        QFETCH(bool, fast);
        QCOMPARE(PricingParser::slug(name), (PricingParser::ModelSlug{slug, fast}));
    }

    void discountEnd_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<Timestamp>>("end");
        const std::optional<Timestamp> none;
        QTest::newRow("eight days after the start")
            << u"Includes 50% launch discount for one week starting May 12, 2026"_s
            << std::optional(at(u"2026-05-20T00:00:00Z"_s));
        QTest::newRow("across the year end")
            << u"for one week starting December 31, 2026."_s << std::optional(at(u"2027-01-08T00:00:00Z"_s));
        QTest::newRow("any case") << u"ONE WEEK STARTING june 1, 2026"_s
                                  << std::optional(at(u"2026-06-09T00:00:00Z"_s));
        QTest::newRow("the first sentence decides")
            << u"one week starting May 1, 2026, then one week starting June 1, 2026"_s
            << std::optional(at(u"2026-05-09T00:00:00Z"_s));
        QTest::newRow("even when it is unusable")
            << u"one week starting Sept 3, 2026, then one week starting May 1, 2026"_s << none;
        QTest::newRow("abbreviated month") << u"one week starting Sept 3, 2026"_s << none;
        QTest::newRow("no such day") << u"one week starting February 30, 2026"_s << none;
        QTest::newRow("day zero") << u"one week starting March 0, 2026"_s << none;
        QTest::newRow("no comma") << u"one week starting May 12 2026"_s << none;
        QTest::newRow("nothing") << u"Includes 50% launch discount"_s << none;
    }

    void discountEnd()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<Timestamp>, end);
        QCOMPARE(PricingParser::parseGrokEnd(text), end);
    }

    void discountEndSearch()
    {
        const Timestamp now = at(u"2026-05-13T00:00:00Z"_s);
        const QString plain = u"| Grok 4.6 | xAI | $2 | - | $0.50 | $6 | - |"_s;

        // No sentence anywhere: the rows are discounted, the end stays unknown.
        auto catalog = PricingParser::parse(QStringList{header, separator, plain}.join(u'\n'), now);
        QVERIFY(catalog);
        QVERIFY(catalog->entries[0].grok46Discount);
        QCOMPARE(catalog->grok46DiscountEnd, std::nullopt);

        // Found in the prose when the row does not carry it.
        catalog = PricingParser::parse(
            QStringList{u"Grok 4.6 is half price for one week starting June 1, 2026."_s, header, plain}.join(
                u'\n'),
            now);
        QVERIFY(catalog);
        QCOMPARE(catalog->grok46DiscountEnd, at(u"2026-06-09T00:00:00Z"_s));

        // Only a discounted row makes the end worth looking for.
        catalog = PricingParser::parse(QStringList{u"Free for one week starting June 1, 2026."_s, header,
                                                   u"| GPT-5 | OpenAI | $1.25 | - | $0.125 | $10 |"_s}
                                           .join(u'\n'),
                                       now);
        QVERIFY(catalog);
        QCOMPARE(catalog->grok46DiscountEnd, std::nullopt);
    }
};

TALLYFERN_REGISTER_TEST(TestPricingParser);
#include "TestPricingParser.moc"
