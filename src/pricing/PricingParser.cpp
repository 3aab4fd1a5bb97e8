#include "PricingParser.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A week from the announced day, plus a day of grace.
constexpr double discountSeconds = 8 * 86'400.0;

constexpr int minimumCells = 6;

QStringView trimSpacesAndTabs(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

// Markdown decoration around a model name: links become their text, bold and code marks go.
QString cleanName(const QString& name)
{
    static const QRegularExpression link(uR"(\[([^\]]+)\]\([^)]+\))"_s);
    QString clean = name;
    clean.replace(link, u"\\1"_s);
    clean.remove(u"**"_s);
    clean.remove(u'`');
    return clean;
}

bool isHeader(const QString& line)
{
    const QString lower = line.toLower();
    return lower.contains("input"_L1) && lower.contains("cache write"_L1) &&
           lower.contains("cache read"_L1) && lower.contains("output"_L1);
}

std::optional<int> monthNumber(const QString& name)
{
    static const QStringList months{u"january"_s,   u"february"_s, u"march"_s,    u"april"_s,
                                    u"may"_s,       u"june"_s,     u"july"_s,     u"august"_s,
                                    u"september"_s, u"october"_s,  u"november"_s, u"december"_s};
    const qsizetype index = months.indexOf(name.toLower());
    if (index < 0)
        return std::nullopt;
    return int(index) + 1;
}

} // namespace

std::optional<PricingCatalog> PricingParser::parse(const QString& text, Timestamp now)
{
    // Any newline, with CRLF as one break: a table saved with Windows line ends is still one table.
    static const QRegularExpression lineBreak(uR"(\r\n|[\n\x{0B}\x{0C}\r\x{85}\x{2028}\x{2029}])"_s);
    const QStringList lines = text.split(lineBreak);

    PricingCatalog catalog{now, std::nullopt, {}};
    // The whole document is searched for the discount sentence at most once: it gives the same
    // answer for every row, and searching it again per row is quadratic.
    bool documentSearched = false;
    qsizetype i = 0;
    while (i < lines.size()) {
        if (!isHeader(lines[i])) {
            ++i;
            continue;
        }
        qsizetype row = i + 1;
        if (row < lines.size() && lines[row].contains("---"_L1))
            ++row;
        for (; row < lines.size(); ++row) {
            const QStringView trimmed = trimSpacesAndTabs(lines[row]);
            if (!trimmed.startsWith(u'|'))
                break; // the table ended; this line may start the next one
            if (trimmed.contains("---"_L1))
                continue;
            const auto entry = parseRow(lines[row]);
            if (!entry)
                continue;
            catalog.entries.append(*entry);
            if (entry->grok46Discount && !catalog.grok46DiscountEnd) {
                catalog.grok46DiscountEnd = parseGrokEnd(lines[row]);
                if (!catalog.grok46DiscountEnd && !documentSearched) {
                    catalog.grok46DiscountEnd = parseGrokEnd(text);
                    documentSearched = true;
                }
            }
        }
        i = row;
    }
    if (catalog.entries.isEmpty())
        return std::nullopt;
    return catalog;
}

std::optional<PricingEntry> PricingParser::parseRow(const QString& line)
{
    QStringList cells;
    for (const QStringView piece : QStringView(line).split(u'|')) {
        const QStringView cell = trimSpacesAndTabs(piece);
        if (!cell.isEmpty())
            cells.append(cell.toString());
    }
    if (cells.size() < minimumCells)
        return std::nullopt;

    const auto input = money(cells[2]);
    const auto output = money(cells[5]);
    if (!input || !output)
        return std::nullopt;
    const QString notes = cells.size() > minimumCells ? cells[6].toLower() : QString();

    const ModelSlug name = slug(cleanName(cells[0]));
    if (name.slug.isEmpty() || name.slug == "model"_L1)
        return std::nullopt; // a repeated header row, or a name made only of decoration

    return PricingEntry{
        .slug = name.slug,
        .requiresFast = name.fast,
        .input = *input,
        .cacheWrite = money(cells[3]).value_or(0),
        .cacheRead = money(cells[4]).value_or(0),
        .output = *output,
        .grok46Discount = name.slug.contains("grok-4.6"_L1) || notes.contains("50% launch discount"_L1),
    };
}

std::optional<double> PricingParser::money(const QString& cell)
{
    const QStringView trimmed = trimSpacesAndTabs(cell);
    if (trimmed.isEmpty() || trimmed == u"-" || trimmed == u"—")
        return std::nullopt;
    // Only ASCII digits and points are kept, in one pass (a long cell of text must not cost a
    // regular expression match per character). A minus sign goes too: a price is never negative.
    QString number;
    for (const QChar c : trimmed) {
        if ((c >= u'0' && c <= u'9') || c == u'.')
            number += c;
    }
    if (number.isEmpty() || number.count(u'.') > 1 || number == "."_L1)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    // A run of digits too long for a double is not a price.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

PricingParser::ModelSlug PricingParser::slug(const QString& from)
{
    static const QRegularExpression whiteSpace(uR"(\s+)"_s, QRegularExpression::UseUnicodePropertiesOption);
    QString text = cleanName(from).toLower();
    const bool fast = text.contains("(fast"_L1) || text.contains("fast mode"_L1) || text.endsWith(" fast"_L1);
    text.remove("(fast mode)"_L1);
    text.remove("(fast)"_L1);
    text.remove("fast mode"_L1);
    if (text.endsWith(" fast"_L1))
        text.chop(5);
    if (text.startsWith("claude "_L1))
        text.remove(0, 7);
    text.replace(whiteSpace, u" "_s);
    text = text.trimmed();
    text.replace(u' ', u'-');
    return ModelSlug{text, fast};
}

std::optional<Timestamp> PricingParser::parseGrokEnd(const QString& from)
{
    static const QRegularExpression sentence(uR"(one week starting ([A-Za-z]+) (\d{1,2}), (\d{4}))"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = sentence.match(from);
    if (!match.hasMatch())
        return std::nullopt;
    QString rest = match.captured(0);
    rest.remove("one week starting "_L1, Qt::CaseInsensitive);
    const QStringList pieces = rest.split(u' ', Qt::SkipEmptyParts);
    if (pieces.size() < 3)
        return std::nullopt;

    bool dayOk = false;
    bool yearOk = false;
    const int day = QString(pieces[1]).remove(u',').toInt(&dayOk);
    const int year = pieces[2].toInt(&yearOk);
    const auto month = monthNumber(pieces[0]);
    if (!dayOk || !yearOk || !month)
        return std::nullopt;
    // "February 30" is a typo, not March 2: no date rather than a wrong one.
    const QDate date(year, *month, day);
    if (!date.isValid())
        return std::nullopt;
    const QDateTime midnight(date, QTime(0, 0), QTimeZone::utc());
    return Timestamp{Timestamp::fromDateTime(midnight).secondsSinceReference + discountSeconds};
}
