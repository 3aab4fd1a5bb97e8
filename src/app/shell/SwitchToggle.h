#pragma once

#include "app/views/AccessibleFigure.h"

#include <QAbstractButton>

// A switch: a capsule track, the highlight colour when on, with a white knob on the side of its
// state. Its label is not shown; it names the switch for screen readers, which read its state as
// "开" or "关".
class SwitchToggle : public QAbstractButton, public AccessibleFigure
{
    Q_OBJECT

public:
    enum class Size { regular, small };

    explicit SwitchToggle(const QString& label, Size size = Size::regular, QWidget* parent = nullptr);

    Size controlSize() const { return m_size; }
    static QSize trackSize(Size size);

    QColor trackColour() const;
    // The knob's centre in the widget's coordinates.
    QPointF knobCentre() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QAccessible::Role accessibleRole() const override { return QAccessible::CheckBox; }
    QString accessibleValue() const override;
    std::optional<bool> accessibleChecked() const override { return isChecked(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    QRectF trackRect() const;

    Size m_size;
    bool m_focusRing = false; // focus that came from the keyboard
};
