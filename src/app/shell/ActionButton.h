#pragma once

#include <QAbstractButton>

// A push button painted from its palette: bordered (a faint fill), prominent (the highlight colour)
// or destructive (bordered, red text). Disabled buttons keep their place and fade.
class ActionButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Kind { bordered, prominent, destructive };

    static constexpr int controlHeight = 24;
    static constexpr int sidePadding = 12;
    static constexpr qreal radius = 6;

    ActionButton(const QString& text, Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }

    // What the button is drawn with in its current state.
    QColor fillColour() const;
    QColor textColour() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Kind m_kind;
    bool m_focusRing = false; // focus that came from the keyboard
};
