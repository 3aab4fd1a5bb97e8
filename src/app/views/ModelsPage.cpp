#include "ModelsPage.h"

#include "Card.h"
#include "MetricCell.h"
#include "ModelTable.h"
#include "ModelTile.h"
#include "PageScroll.h"
#include "Text.h"
#include "Theme.h"

#include "model/DisplayFormat.h"

#include <QBoxLayout>
#include <QLabel>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QHBoxLayout* sourceRow(const UsageSnapshot& snapshot, QWidget* parent)
{
    struct Source
    {
        QString title;
        TokenSource source;
    };
    const Source sources[] = {
        {u"Cursor"_s, TokenSource::cursor},
        {u"Grok 机器人"_s, TokenSource::grokBot},
        {u"其他模型"_s, TokenSource::other},
    };
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    for (const Source& source : sources) {
        row->addWidget(new MetricCell(source.title, formatChineseCount(snapshot.sourceTokens(source.source)),
                                      Text::estimate(snapshot.sourceUSD(source.source)), parent),
                       1, Qt::AlignVCenter);
    }
    return row;
}

QWidget* emptyCard(const UsageSnapshot& snapshot, QWidget* parent)
{
    auto* card = new Card(Theme::white(0.05), 18, parent);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(Text::wrapping(snapshot.hasRealData ? u"这个账期还没有按模型拆开的 token"_s
                                                          : u"粘贴 Cookie 后显示各模型消耗"_s,
                                     Theme::font(Theme::TextStyle::footnote), Theme::white(0.50), card));
    return card;
}

QHBoxLayout* modelStrip(const UsageSnapshot& snapshot, QWidget* parent)
{
    auto* strip = new QHBoxLayout;
    strip->setSpacing(8);
    const double largest = ModelsPage::maxToken(snapshot);
    const qsizetype shown = std::min<qsizetype>(snapshot.models.size(), ModelsPage::stripLength);
    for (qsizetype i = 0; i < shown; ++i)
        strip->addWidget(new ModelTile(snapshot.models[i], largest, parent), 1, Qt::AlignTop);
    return strip;
}

} // namespace

ModelsPage::ModelsPage(QWidget* parent)
    : QWidget(parent)
    , m_scroll(PageScroll::filling(this))
{
    connect(m_scroll, &PageScroll::wideChanged, this, &ModelsPage::applyWide);
    rebuild();
}

void ModelsPage::setSnapshot(const UsageSnapshot& snapshot)
{
    m_snapshot = snapshot;
    rebuild();
}

bool ModelsPage::isWide() const
{
    return m_scroll->isWide();
}

double ModelsPage::maxToken(const UsageSnapshot& snapshot)
{
    if (snapshot.models.isEmpty())
        return 1;
    double largest = snapshot.models.first().tokens.total;
    for (const ModelUsage& row : snapshot.models)
        largest = std::max(largest, row.tokens.total);
    return largest;
}

void ModelsPage::rebuild()
{
    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);

    stack->addLayout(sourceRow(m_snapshot, page));
    stack->addWidget(Text::wrapping(u"预估按官方标价，套餐内可能 $0；接口不返回发起程序。"_s,
                                    Theme::font(Theme::TextStyle::caption2), Theme::white(0.40), page));

    m_tables = nullptr;
    if (m_snapshot.models.isEmpty()) {
        stack->addWidget(emptyCard(m_snapshot, page));
    } else {
        stack->addLayout(modelStrip(m_snapshot, page));
        m_tables = new QBoxLayout(QBoxLayout::TopToBottom);
        m_tables->setSpacing(14);
        m_tables->addWidget(
            new ModelTable(u"Cursor 模型"_s, m_snapshot.cursorModels(), Theme::cursorTint(), page), 1,
            Qt::AlignTop);
        m_tables->addWidget(new ModelTable(u"其他模型"_s, m_snapshot.otherModels(), Theme::otherTint(), page),
                            1, Qt::AlignTop);
        stack->addLayout(m_tables);
    }

    applyWide(m_scroll->isWide());
    m_scroll->setPage(page);
}

void ModelsPage::applyWide(bool wide)
{
    if (m_tables)
        m_tables->setDirection(wide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
}
