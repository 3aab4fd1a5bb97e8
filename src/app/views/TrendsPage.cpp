#include "TrendsPage.h"

#include "Card.h"
#include "DailyBars.h"
#include "PageScroll.h"
#include "Text.h"
#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/QuotaPace.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QLabel>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The quota's pace as the overview words it, "…可用到账期结束" included; empty while it has nothing
// to say.
QString paceText(QuotaPace::Pool pool, const UsageSnapshot& snapshot, Timestamp now)
{
    const auto outlook = QuotaPace::outlook(snapshot, pool, now);
    return outlook ? QuotaPace::text(pool, *outlook) : QString();
}

} // namespace

TrendsPage::TrendsPage(QAbstractButton* exportButton, QAbstractButton* enableButton, QWidget* parent)
    : QWidget(parent)
    , m_scroll(PageScroll::filling(this))
{

    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    m_off = new QWidget(page);
    auto* offStack = new QVBoxLayout(m_off);
    offStack->setContentsMargins(0, 0, 0, 0);
    m_offLine =
        Text::wrapping(u"“保存用量历史”已关闭：打开后在本机保存每个用量事件，显示每日曲线与精确拆分。"_s,
                       Theme::font(Theme::TextStyle::footnote), Theme::white(0.60), m_off);
    offStack->addWidget(m_offLine);
    if (enableButton)
        offStack->addWidget(enableButton, 0, Qt::AlignLeft);
    stack->addWidget(m_off);

    m_content = new QWidget(page);
    auto* content = new QVBoxLayout(m_content);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(12);
    auto* card = new Card(Theme::white(0.05), 18, m_content);
    auto* cardStack = new QVBoxLayout(card);
    cardStack->setContentsMargins(16, 14, 16, 10);
    cardStack->addWidget(
        Text::label(u"每日用量"_s, Theme::font(Theme::TextStyle::headline), Theme::white(1), card));
    m_bars = new DailyBars(card);
    cardStack->addWidget(m_bars);
    content->addWidget(card);

    const QFont body = Theme::font(Theme::TextStyle::footnote);
    m_cursorPace = Text::wrapping(QString(), body, Theme::cursorTint(), m_content);
    m_otherPace = Text::wrapping(QString(), body, Theme::otherTint(), m_content);
    m_comparison = Text::wrapping(QString(), body, Theme::white(0.80), m_content);
    m_split = Text::wrapping(QString(), body, Theme::white(0.80), m_content);
    for (QLabel* label : {m_cursorPace, m_otherPace, m_comparison, m_split})
        content->addWidget(label);
    if (exportButton)
        content->addWidget(exportButton, 0, Qt::AlignRight);
    stack->addWidget(m_content);
    stack->addStretch(1);
    m_scroll->setPage(page);
}

void TrendsPage::setData(const TrendsReport& report, const UsageSnapshot& snapshot, bool historyEnabled,
                         Timestamp now)
{
    m_off->setVisible(!historyEnabled);
    m_content->setVisible(historyEnabled);
    if (!historyEnabled)
        return;
    m_bars->setDays(report.days, report.previousDays, report.today, report.unsyncedDays,
                    report.previousUnsyncedDays);
    const auto show = [](QLabel* label, const QString& text) {
        label->setText(text);
        label->setVisible(!text.isEmpty());
    };
    show(m_cursorPace, paceText(QuotaPace::Pool::cursor, snapshot, now));
    show(m_otherPace, paceText(QuotaPace::Pool::premium, snapshot, now));
    show(m_comparison, comparisonText(report));
    show(m_split, splitText(report));
}

QString TrendsPage::comparisonText(const TrendsReport& report)
{
    // A cycle not yet fetched whole says so: its sum is what has arrived, not what was used.
    QString now = u"本账期至今 "_s + formatChineseCount(report.toDateTokens) + u" tokens"_s;
    if (!report.isFetched())
        now += u"（尚未同步完整）"_s;
    if (!report.previousFetched)
        return now + u"，上一账期尚未同步完整"_s;
    if (!(report.previousToDateTokens > 0))
        return now + u"，上一账期同期没有记录"_s;
    const QString previous = now + u"，上一账期同期 "_s + formatChineseCount(report.previousToDateTokens);
    if (!report.isFetched())
        return previous; // a part against a whole is no change
    const double change = (report.toDateTokens / report.previousToDateTokens - 1) * 100;
    const QString sign = change >= 0 ? u"+"_s : QString();
    return previous + u"（"_s + sign + QString::number(std::lround(change)) + u"%）"_s;
}

QString TrendsPage::splitText(const TrendsReport& report)
{
    const QString progress = u"已同步 %1/%2 天"_s.arg(report.syncedDays).arg(report.elapsedDays);
    if (report.elapsedDays == 0)
        return u"还没有用量历史，下次刷新后开始同步"_s;
    if (!report.isFetched())
        return u"历史同步中（"_s + progress + u"），同步完整后显示精确的套餐内与按需拆分"_s;
    return u"套餐内 "_s + formatChineseCount(report.includedTokens) + u" · 按需 "_s +
           formatChineseCount(report.onDemandTokens) + u" · 今天 "_s +
           formatChineseCount(report.todayTokens) + u" tokens · 共 "_s + QString::number(report.events) +
           u" 个事件 · "_s + progress;
}
