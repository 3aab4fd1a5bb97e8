#pragma once

#include "model/UsageSnapshot.h"

#include <QWidget>

class PageScroll;
class QBoxLayout;
class QLabel;
class QPushButton;
class RemainingCard;
class TokenPanel;

// The first page: what is left of the quota, the cycle's tokens and spend, and the usage bars of
// the three quotas. Rebuilt from the snapshot and the pricing label whenever either is set.
class OverviewPage : public QWidget
{
    Q_OBJECT

public:
    explicit OverviewPage(QWidget* parent = nullptr);

    void setSnapshot(const UsageSnapshot& snapshot);
    const UsageSnapshot& snapshot() const { return m_snapshot; }

    // The pricing table's state ("标价已同步 5月1日"), shown after the pricing footnote.
    void setPricingLabel(const QString& label);
    const QString& pricingLabel() const { return m_pricingLabel; }

    // Offers signing in from the Cursor editor above the cards (nothing is read before the press).
    void setImportOffer(bool offered);
    bool importOffered() const { return m_importOffered; }
    QPushButton* importButton() const { return m_importButton; }

    // Before any data, a token waits behind the locked keyring: the empty card says to unlock it
    // rather than to paste a cookie.
    void setKeyringLocked(bool locked);
    bool keyringLocked() const { return m_keyringLocked; }

    PageScroll* scroll() const { return m_scroll; }
    // The remaining card and the token panel sit side by side (true) or stacked: side by side from
    // the pages' wide width on, and only while each card has room for all of its content. Without
    // data they stack, so that the empty state has the whole row.
    bool isWide() const { return m_wide; }

Q_SIGNALS:
    void importRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    void arrangeCards();

    UsageSnapshot m_snapshot = UsageSnapshot::empty();
    QString m_pricingLabel;
    PageScroll* m_scroll;
    QBoxLayout* m_cards = nullptr;
    RemainingCard* m_remaining = nullptr;
    TokenPanel* m_panel = nullptr;
    bool m_wide = false;
    bool m_importOffered = false;
    bool m_keyringLocked = false;
    QPushButton* m_importButton = nullptr;
};
