#pragma once

#include "AccessibleFigure.h"

#include <QLabel>

// The plan name in a capsule: cyan once connected to an account, faint white before. Read as
// "套餐 Pro". It keeps its natural size while there is room; a name too long for its row is cut
// at the end with an ellipsis rather than clipped.
class PlanBadge : public QLabel, public AccessibleFigure
{
    Q_OBJECT

public:
    PlanBadge(const QString& title, bool connected, QWidget* parent = nullptr);

    bool isConnected() const { return m_connected; }
    QColor fill() const;
    // The name as drawn at the badge's current width; `text()` stays the whole name.
    QString shownText() const;

    QSize minimumSizeHint() const override;

    QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }
    QString accessibleValue() const override { return text(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_connected;
};
