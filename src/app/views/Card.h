#pragma once

#include <QColor>
#include <QWidget>

// A panel drawn as a filled rounded rectangle with continuous corners; its children are laid out
// by whatever layout the owner gives it.
class Card : public QWidget
{
    Q_OBJECT

public:
    Card(const QColor& fill, qreal radius, QWidget* parent = nullptr);

    QColor fill() const { return m_fill; }
    qreal radius() const { return m_radius; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    qreal m_radius;
};
