#pragma once

#include "AccessibleFigure.h"

#include <QLabel>

// The plan name in a capsule: cyan once connected to an account, faint white before. Read as
// "套餐 Pro".
class PlanBadge : public QLabel, public AccessibleFigure
{
    Q_OBJECT

public:
    PlanBadge(const QString& title, bool connected, QWidget* parent = nullptr);

    bool isConnected() const { return m_connected; }
    QColor fill() const;

    QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }
    QString accessibleValue() const override { return text(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_connected;
};
