#pragma once

#include <QColor>
#include <QWidget>

// The small filled circle that marks a model group's colour.
class Dot : public QWidget
{
    Q_OBJECT

public:
    explicit Dot(const QColor& colour, int diameter = 6, QWidget* parent = nullptr);

    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};
