#pragma once

#include <QLabel>

// The plan name in a capsule: cyan once connected to an account, faint white before.
class PlanBadge : public QLabel
{
    Q_OBJECT

public:
    PlanBadge(const QString& title, bool connected, QWidget* parent = nullptr);

    bool isConnected() const { return m_connected; }
    QColor fill() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_connected;
};
