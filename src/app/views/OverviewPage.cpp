#include "OverviewPage.h"

#include "Card.h"
#include "PageScroll.h"
#include "QuotaCard.h"
#include "RemainingCard.h"
#include "Text.h"
#include "Theme.h"
#include "TokenPanel.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

OverviewPage::OverviewPage(QWidget* parent)
    : QWidget(parent)
    , m_scroll(PageScroll::filling(this))
{
    rebuild();
}

void OverviewPage::setSnapshot(const UsageSnapshot& snapshot)
{
    m_snapshot = snapshot;
    rebuild();
}

void OverviewPage::setPricingLabel(const QString& label)
{
    m_pricingLabel = label;
    rebuild();
}

void OverviewPage::setImportOffer(bool offered)
{
    if (m_importOffered == offered)
        return;
    m_importOffered = offered;
    rebuild();
}

void OverviewPage::setKeyringLocked(bool locked)
{
    if (m_keyringLocked == locked)
        return;
    m_keyringLocked = locked;
    rebuild();
}

void OverviewPage::rebuild()
{
    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);

    m_importButton = nullptr;
    if (m_importOffered) {
        auto* offer = new Card(Theme::white(0.08), 12, page);
        auto* row = new QHBoxLayout(offer);
        row->setContentsMargins(14, 12, 14, 12);
        row->addWidget(Text::wrapping(u"本机装有 Cursor 编辑器：可直接导入它的登录，不必粘贴 Cookie。"_s,
                                      Theme::font(Theme::TextStyle::footnote), Theme::white(0.75), offer),
                       1);
        m_importButton = new QPushButton(u"从 Cursor 编辑器导入"_s, offer);
        // Drawn like the header's prominent buttons: the page's white text on the style's light
        // button face would vanish.
        m_importButton->setStyleSheet(u"QPushButton { background: #0a84ff; color: white; border: none;"
                                      u" border-radius: 7px; padding: 5px 12px; }"
                                      u" QPushButton:pressed { background: #0870d8; }"_s);
        connect(m_importButton, &QPushButton::clicked, this, &OverviewPage::importRequested);
        row->addWidget(m_importButton);
        stack->addWidget(offer);
    }

    m_cards = new QBoxLayout(QBoxLayout::TopToBottom);
    m_cards->setSpacing(14);
    m_remaining = new RemainingCard(m_snapshot, m_keyringLocked, page);
    m_panel = new TokenPanel(m_snapshot, page);
    m_cards->addWidget(m_remaining);
    m_cards->addWidget(m_panel);
    stack->addLayout(m_cards);

    stack->addWidget(Text::wrapping(u"预估按官方标价，套餐内可能 $0。"_s + m_pricingLabel,
                                    Theme::font(Theme::TextStyle::caption2), Theme::white(0.40), page));
    stack->addWidget(new QuotaCard(m_snapshot, page));

    m_wide = false; // as built: stacked
    arrangeCards();
    m_scroll->setPage(page);
}

void OverviewPage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeCards();
}

void OverviewPage::arrangeCards()
{
    // The scroll fills the page; the cards share its width less the side padding and their gap.
    const int width = m_scroll->width();
    const int each = (width - 2 * PageScroll::sidePadding - m_cards->spacing()) / 2;
    // Without data the empty card's words would wrap beside a card of dashes.
    const bool wide = m_snapshot.hasRealData && PageScroll::isWide(width) &&
                      each >= m_remaining->fittingWidth() && each >= m_panel->minimumSizeHint().width();
    if (wide == m_wide)
        return;
    m_wide = wide;
    // Side by side the cards share the row equally (equal stretch, their own preferred widths
    // ignored, so that the wider content does not take more; both fit, as checked above) and both
    // take its full height; stacked, each keeps its own height.
    m_cards->setDirection(wide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    for (QWidget* card : {static_cast<QWidget*>(m_remaining), static_cast<QWidget*>(m_panel)}) {
        m_cards->setStretchFactor(card, wide ? 1 : 0);
        QSizePolicy policy = card->sizePolicy();
        policy.setHorizontalPolicy(wide ? QSizePolicy::Ignored : QSizePolicy::Preferred);
        card->setSizePolicy(policy);
    }
}
