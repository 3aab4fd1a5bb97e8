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

    addQuotaRow(u"Cursor 模型"_s, snapshot.cursorModelsPercent, Theme::cursorTint(), std::nullopt);
    addQuotaRow(u"其他模型"_s, snapshot.otherModelsPercent, Theme::otherTint(),
                includedApiFootnote(snapshot.monthlyLimit));
    addQuotaRow(u"Grok 机器人"_s, snapshot.grokWeeklyPercent, Theme::grokTint(), snapshot.grokFootnote());

    const auto team = teamOnDemandText(snapshot);
    if (const auto own = onDemandText(snapshot); own || team) {
        addRow(u"按需用量"_s, own.value_or(u"—"_s), onDemandFraction(snapshot), Theme::otherTint(),
               std::nullopt, team);
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void QuotaCard::addQuotaRow(const QString& title, std::optional<qint64> percent, const QColor& tint,
                            const std::optional<QString>& footnote)
{
    const QString used = percent ? u"已用 "_s + QString::number(*percent) + u'%' : u"未返回"_s;
    addRow(title, used, barFraction(percent), tint, footnote);
}

void QuotaCard::addRow(const QString& title, const QString& value, std::optional<double> fraction,
                       const QColor& tint, const std::optional<QString>& footnote,
                       const std::optional<QString>& below)
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
    line->addWidget(Text::label(value, Theme::font(Theme::TextStyle::caption), Theme::white(0.60), this), 0,
                    Qt::AlignVCenter);
    row->addLayout(line);
    if (fraction) {
        auto* bar = new CapsuleBar(*fraction, tint, 8, this);
        bar->setAccessibleName(title + u' ' + value);
        row->addWidget(bar);
    }
    if (below) {
        row->addWidget(
            Text::label(*below, Theme::font(Theme::TextStyle::caption2), Theme::white(0.40), this));
    }

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

namespace {

QString spendText(double used, const std::optional<double>& limit)
{
    return limit ? formatUSD(used) + u" / "_s + formatUSD(*limit) : formatUSD(used);
}

} // namespace

std::optional<QString> QuotaCard::onDemandText(const UsageSnapshot& snapshot)
{
    if (!snapshot.onDemandUsed && !snapshot.onDemandLimit)
        return std::nullopt;
    const QString text = spendText(snapshot.onDemandUsed.value_or(0), snapshot.onDemandLimit);
    if (!snapshot.onDemandLimit && snapshot.onDemandUnlimited)
        return text + u" · 无上限"_s;
    return text;
}

std::optional<QString> QuotaCard::teamOnDemandText(const UsageSnapshot& snapshot)
{
    if (!snapshot.teamOnDemandUsed && !snapshot.teamOnDemandLimit)
        return std::nullopt;
    return u"团队 "_s + spendText(snapshot.teamOnDemandUsed.value_or(0), snapshot.teamOnDemandLimit);
}

std::optional<double> QuotaCard::onDemandFraction(const UsageSnapshot& snapshot)
{
    if (!snapshot.onDemandLimit || !(*snapshot.onDemandLimit > 0))
        return std::nullopt;
    const double used = snapshot.onDemandUsed.value_or(0);
    return std::clamp(used / *snapshot.onDemandLimit, 0.0, 1.0);
}
