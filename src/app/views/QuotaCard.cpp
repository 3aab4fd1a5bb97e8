#include "QuotaCard.h"

#include "CapsuleBar.h"
#include "FitLabel.h"
#include "Text.h"
#include "Theme.h"

#include "model/DisplayFormat.h"
#include "model/UsageSnapshot.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

QuotaCard::QuotaCard(const UsageSnapshot& snapshot, QWidget* parent)
    : Card(Theme::white(0.05), 18, parent)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(18);

    addRow(u"Cursor 模型"_s, snapshot.cursorModelsPercent, Theme::cursorTint(), std::nullopt);
    addRow(u"其他模型"_s, snapshot.otherModelsPercent, Theme::otherTint(),
           includedApiFootnote(snapshot.monthlyLimit));
    addRow(u"Grok 机器人"_s, snapshot.grokWeeklyPercent, Theme::grokTint(), snapshot.grokFootnote());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void QuotaCard::addRow(const QString& title, std::optional<qint64> percent, const QColor& tint,
                       const std::optional<QString>& footnote)
{
    auto* row = new QVBoxLayout;
    row->setSpacing(6);

    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    line->addWidget(
        Text::label(title, Theme::font(Theme::TextStyle::subheadline, QFont::Medium), Qt::white, this), 0,
        Qt::AlignVCenter);
    if (footnote) {
        // The footnote gives way first when the row is narrow.
        auto* note = new FitLabel(*footnote, Theme::font(Theme::TextStyle::caption2), this);
        Text::setColour(note, Theme::white(0.40));
        line->addWidget(note, 0, Qt::AlignVCenter);
    }
    line->addStretch(1);
    const QString used = percent ? u"已用 "_s + QString::number(*percent) + u'%' : u"未返回"_s;
    line->addWidget(Text::label(used, Theme::font(Theme::TextStyle::caption), Theme::white(0.60), this), 0,
                    Qt::AlignVCenter);
    row->addLayout(line);
    auto* bar = new CapsuleBar(barFraction(percent), tint, 8, this);
    bar->setAccessibleName(title + u' ' + used);
    row->addWidget(bar);

    qobject_cast<QVBoxLayout*>(layout())->addLayout(row);
}

double QuotaCard::barFraction(std::optional<qint64> percent)
{
    if (!percent || *percent < 1)
        return 0;
    return double(std::min<qint64>(*percent, 100)) / 100.0;
}

std::optional<QString> QuotaCard::includedApiFootnote(double monthlyLimit)
{
    // A limit too large or not finite cannot come from the service; it gets no footnote rather
    // than a nonsense figure.
    if (!(monthlyLimit > 0) || !std::isfinite(monthlyLimit) || monthlyLimit >= 9.2e18)
        return std::nullopt;
    return u"含至少 $"_s + QString::number(qint64(monthlyLimit)) + u" API"_s;
}
