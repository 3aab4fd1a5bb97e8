#pragma once

#include "history/TrendsReport.h"
#include "model/UsageSnapshot.h"
#include "platform/Clock.h"

#include <QWidget>

class DailyBars;
class PageScroll;
class QAbstractButton;
class QLabel;

// The fourth page: the cycle's exact daily curve from the ledger, the pace against each quota,
// this cycle against the last, and the exact token split. With history off it shows one line and
// the button that turns it on. The buttons come from the window, which knows what they do.
class TrendsPage : public QWidget
{
    Q_OBJECT

public:
    // Either button may be null (a page drawn without actions).
    TrendsPage(QAbstractButton* exportButton, QAbstractButton* enableButton, QWidget* parent = nullptr);

    void setData(const TrendsReport& report, const UsageSnapshot& snapshot, bool historyEnabled,
                 Timestamp now = Clock::now());

    // This cycle to date against as long of the last; a cycle not yet fetched whole says so.
    static QString comparisonText(const TrendsReport& report);
    // The exact split once every day so far is fetched whole, with how many of them are synced for
    // good ("已同步 18/20 天": the latest days may still gain late events); until then, how far the
    // sync has come.
    static QString splitText(const TrendsReport& report);

    PageScroll* scroll() const { return m_scroll; }
    DailyBars* bars() const { return m_bars; }
    QWidget* historyContent() const { return m_content; }
    QLabel* offLine() const { return m_offLine; }
    QLabel* splitLabel() const { return m_split; }

private:
    PageScroll* m_scroll;
    QWidget* m_content;
    QWidget* m_off;
    QLabel* m_offLine;
    DailyBars* m_bars;
    QLabel* m_cursorPace;
    QLabel* m_otherPace;
    QLabel* m_comparison;
    QLabel* m_split;
};
