#pragma once

#include <QScrollArea>

class QScrollBar;
class QVBoxLayout;

// The scroll container the pages share: vertical scrolling only, the page padded 22 left and
// right and 8 at the bottom, and a `wide` flag for pages that lay themselves out side by side
// from 660 points on. The flag is measured on the whole width offered, before the padding.
// The scroll indicator floats over the right padding, so the page keeps the full width.
class PageScroll : public QScrollArea
{
    Q_OBJECT

public:
    static constexpr int wideWidth = 660;
    static constexpr int sidePadding = 22;
    static constexpr int bottomPadding = 8;

    explicit PageScroll(QWidget* parent = nullptr);

    // The frame every page shares: a scroll that fills `page` edge to edge, with white text.
    static PageScroll* filling(QWidget* page);

    // Shows the page; the previous page widget is deleted. The scroll position is kept.
    void setPage(QWidget* page);
    QWidget* page() const { return m_page; }

    bool isWide() const { return m_wide; }
    static bool isWide(int width) { return width >= wideWidth; }

    // The floating indicator, visible while there is something to scroll.
    QScrollBar* indicator() const { return m_indicator; }

Q_SIGNALS:
    void wideChanged(bool wide);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeIndicator();
    void updateWide();

    QWidget* m_padding;
    QVBoxLayout* m_paddingLayout;
    QWidget* m_page = nullptr;
    QScrollBar* m_indicator;
    bool m_wide = false;
};
