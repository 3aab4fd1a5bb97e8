#include "PageScroll.h"

#include "Text.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int indicatorWidth = 10;

// A thin rounded thumb without arrows or groove, light on the dark board.
const auto indicatorStyle = uR"(
QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 2px 2px 0px; }
QScrollBar::handle:vertical { background: rgba(255, 255, 255, 64); border-radius: 4px; min-height: 32px; }
QScrollBar::handle:vertical:hover, QScrollBar::handle:vertical:pressed { background: rgba(255, 255, 255, 110); }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; border: none; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }
)"_s;

} // namespace

PageScroll* PageScroll::filling(QWidget* page)
{
    Text::setColour(page, Qt::white);
    auto* scroll = new PageScroll(page);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    return scroll;
}

PageScroll::PageScroll(QWidget* parent)
    : QScrollArea(parent)
    , m_padding(new QWidget)
    , m_paddingLayout(new QVBoxLayout(m_padding))
    , m_indicator(new QScrollBar(Qt::Vertical, this))
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The area's own bar would take width from the page; it keeps the range and takes the wheel,
    // and the floating indicator mirrors it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_paddingLayout->setContentsMargins(sidePadding, 0, sidePadding, bottomPadding);
    m_paddingLayout->setSpacing(0);
    setWidget(m_padding);
    // The board shows through: setWidget() turns the page's background filling on.
    viewport()->setAutoFillBackground(false);
    m_padding->setAutoFillBackground(false);

    m_indicator->setStyleSheet(indicatorStyle);
    m_indicator->setCursor(Qt::ArrowCursor);
    m_indicator->hide();
    QScrollBar* bar = verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, [this](int minimum, int maximum) {
        m_indicator->setRange(minimum, maximum);
        m_indicator->setPageStep(verticalScrollBar()->pageStep());
        m_indicator->setSingleStep(verticalScrollBar()->singleStep());
        m_indicator->setVisible(maximum > minimum);
        m_indicator->raise();
    });
    connect(bar, &QScrollBar::valueChanged, m_indicator, &QScrollBar::setValue);
    connect(m_indicator, &QScrollBar::valueChanged, bar, &QScrollBar::setValue);
    updateWide();
}

void PageScroll::setPage(QWidget* page)
{
    if (page == m_page)
        return;
    QWidget* previous = m_page;
    m_page = page;
    if (page) {
        page->setAutoFillBackground(false);
        m_paddingLayout->addWidget(page, 0, Qt::AlignTop);
        // A layout shows a widget added under a visible parent only on the next event-loop turn;
        // show it now, so that the old page is never replaced by an empty area.
        page->show();
    }
    // Removing the old page in the same turn as adding the new one keeps the scroll position:
    // the area is laid out once, with the new page.
    delete previous;
}

void PageScroll::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placeIndicator();
    updateWide();
}

void PageScroll::placeIndicator()
{
    m_indicator->setPageStep(verticalScrollBar()->pageStep());
    m_indicator->setGeometry(width() - indicatorWidth, 0, indicatorWidth, height());
    m_indicator->raise();
}

void PageScroll::updateWide()
{
    const bool wide = isWide(width());
    if (wide == m_wide)
        return;
    m_wide = wide;
    Q_EMIT wideChanged(wide);
}
