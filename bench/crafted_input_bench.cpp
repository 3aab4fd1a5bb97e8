// Prints the median time of the two crafted inputs that once stalled a refresh: a 4 MiB pricing
// document of 16,384 "grok-4.6" rows without a discount sentence (target: under 200 ms), and
// UsageJSON::number of a 1 MiB text without digits (target: under 5 ms). Not a test: run it by hand.
#include "model/UsageJSON.h"
#include "pricing/PricingParser.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QJsonValue>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    // Every row is exactly 256 characters, so the document is exactly 4 MiB.
    constexpr int rows = 16'384;
    const QString header = u"| Model | Provider | Input | Cache write | Cache read | Output | Notes |\n"_s;
    QString row = u"| Grok 4.6 | xAI | $2 | - | $0.50 | $6 | "_s;
    row += QString(256 - row.size() - 3, u'x') + u" |\n";
    QString document = header;
    document.reserve(header.size() + rows * row.size());
    for (int i = 0; i < rows; ++i)
        document += row;

    qsizetype entries = 0;
    const double parse = medianMs(5, [&] {
        if (const auto catalog = PricingParser::parse(document, Timestamp{800'000'000}))
            entries += catalog->entries.size();
    });
    std::printf("pricing document, %d grok-4.6 rows in %.1f MiB, no discount sentence: median %.1f ms\n",
                rows, double(document.size()) / (1 << 20), parse);

    const QJsonValue text(QString(1 << 20, u'x'));
    int found = 0;
    const double number = medianMs(21, [&] { found += UsageJSON::number(text).has_value(); });
    std::printf("UsageJSON::number of a 1 MiB text without digits: median %.2f ms\n", number);
    return entries > 0 && found == 0 ? 0 : 1;
}
