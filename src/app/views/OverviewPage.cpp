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
    connect(m_scroll, &PageScroll::wideChanged, this, &OverviewPage::applyWide);
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

bool OverviewPage::isWide() const
{
    return m_scroll->isWide();
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
    m_cards->addWidget(new RemainingCard(m_snapshot, page));
    m_cards->addWidget(new TokenPanel(m_snapshot, page));
    stack->addLayout(m_cards);

    stack->addWidget(Text::wrapping(u"预估按官方标价，套餐内可能 $0。"_s + m_pricingLabel,
                                    Theme::font(Theme::TextStyle::caption2), Theme::white(0.40), page));
    stack->addWidget(new QuotaCard(m_snapshot, page));

    applyWide(m_scroll->isWide());
    m_scroll->setPage(page);
}

void OverviewPage::applyWide(bool wide)
{
    if (!m_cards)
        return;
    // Side by side the two cards share the row's width equally and both take its full height;
    // stacked, each keeps its own height (the page is as tall as its content).
    m_cards->setDirection(wide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    for (int i = 0; i < m_cards->count(); ++i) {
        m_cards->setStretch(i, wide ? 1 : 0);
        // Equal stretch alone still gives the card with the wider content more of the row.
        if (QWidget* card = m_cards->itemAt(i)->widget()) {
            QSizePolicy policy = card->sizePolicy();
            policy.setHorizontalPolicy(wide ? QSizePolicy::Ignored : QSizePolicy::Preferred);
            card->setSizePolicy(policy);
        }
    }
}
