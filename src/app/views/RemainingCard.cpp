#include "RemainingCard.h"

#include "PlanBadge.h"
#include "Text.h"
#include "Theme.h"
#include "UsageRing.h"

#include "client/DashboardError.h"
#include "model/QuotaPace.h"
#include "model/UsageJSON.h"
#include "model/UsageSnapshot.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

RemainingCard::RemainingCard(const UsageSnapshot& snapshot, bool keyringLocked, QWidget* parent)
    : Card(Theme::cardBackground(), 22, parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 18, 18, 18);
    row->setSpacing(16);

    row->addWidget(new UsageRing(snapshot.cursorRemainingPercent(), u"剩余"_s, u"Cursor 模型"_s,
                                 Theme::cursorTint(), this),
                   0, Qt::AlignVCenter);
    row->addWidget(
        new UsageRing(premiumRemaining(snapshot), u"剩余"_s, u"高级模型"_s, Theme::otherTint(), this), 0,
        Qt::AlignVCenter);

    // Stretches above and below centre the column on the rings when the card is taller.
    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    column->addStretch(1);
    auto* badgeRow = new QHBoxLayout;
    badgeRow->setSpacing(8);
    m_badge = new PlanBadge(snapshot.planTitle(), snapshot.hasRealData, this);
    badgeRow->addWidget(m_badge, 0, Qt::AlignVCenter);
    if (const auto days = snapshot.hasRealData ? snapshot.daysRemaining() : std::nullopt) {
        badgeRow->addWidget(Text::label(u"还剩 "_s + QString::number(*days) + u" 天"_s,
                                        Theme::font(Theme::TextStyle::caption), Theme::white(0.65), this),
                            0, Qt::AlignVCenter);
    }
    badgeRow->addStretch(1);
    column->addLayout(badgeRow);

    if (snapshot.hasRealData) {
        column->addWidget(Text::wrapping(
            cycleLine(snapshot), Theme::font(Theme::TextStyle::title3, QFont::DemiBold), Qt::white, this));
        // Only when a quota will not last the cycle at this rate: otherwise the card is as it was.
        if (const QString pace = QuotaPace::warning(snapshot); !pace.isEmpty()) {
            m_pace =
                Text::wrapping(pace, Theme::font(Theme::TextStyle::footnote), Theme::warningTint(), this);
            column->addWidget(m_pace);
        }
        column->addWidget(Text::wrapping(u"左对齐 Cursor 模型，右对齐收费的其他模型"_s,
                                         Theme::font(Theme::TextStyle::caption), Theme::white(0.65), this));
    } else {
        column->addWidget(
            Text::wrapping(u"还没有用量数据"_s, Theme::font(Theme::TextStyle::title3), Qt::white, this));
        column->addWidget(Text::wrapping(keyringLocked ? DashboardError::locked().description()
                                                       : u"到设置页粘贴 Cookie 后即可在本机刷新"_s,
                                         Theme::font(Theme::TextStyle::caption), Theme::white(0.60), this));
    }
    column->addStretch(1);
    row->addLayout(column, 1);
}

int RemainingCard::fittingWidth() const
{
    // The badge's row is the widest thing the column must keep (the texts below it wrap), so the
    // card fits once that row has the badge's natural width rather than its cut one.
    return minimumSizeHint().width() + m_badge->sizeHint().width() - m_badge->minimumSizeHint().width();
}

std::optional<qint64> RemainingCard::premiumRemaining(const UsageSnapshot& snapshot)
{
    return snapshot.premiumRemainingPercent();
}

QString RemainingCard::cycleLine(const UsageSnapshot& snapshot)
{
    if (const auto end = UsageJSON::date(snapshot.billingCycleEnd)) {
        if (const QString day = UsageJSON::monthDay(*end); !day.isEmpty())
            return u"账期到 "_s + day;
    }
    return u"本月账期"_s;
}
