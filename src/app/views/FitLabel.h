#pragma once

#include <QLabel>

// A label that keeps to a number of lines: when its text does not fit the width it first shrinks
// the font (down to a minimum scale), then cuts the last line with an ellipsis. `text()` stays the
// whole text. Lines break after spaces and punctuation where they can, so that "6月14日" or a
// model's version number stays in one piece.
class FitLabel : public QLabel
{
    Q_OBJECT

public:
    FitLabel(const QString& text, const QFont& font, QWidget* parent = nullptr);

    // 1 by default; 0 wraps onto as many lines as the text needs.
    void setMaximumLines(int lines);
    int maximumLines() const { return m_maximumLines; }
    void setMinimumScale(double scale);
    double minimumScale() const { return m_minimumScale; }

    // What is drawn at the label's current width.
    QFont shownFont() const { return fitted(contentsRect().width()).font; }
    QStringList shownLines() const { return fitted(contentsRect().width()).lines; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Fit
    {
        QFont font;
        QStringList lines;
    };
    const Fit& fitted(int width) const;
    Fit fit(int width) const;
    int lineHeight() const;
    // The text's width on one line at the full size, measured once: layouts ask for size hints
    // many times, and shaping the text is the expensive part.
    qreal naturalWidth() const;

    int m_maximumLines = 1;
    double m_minimumScale = 1.0;
    mutable qreal m_naturalWidth = -1;
    mutable QString m_naturalText;
    mutable int m_cachedWidth = -1;
    mutable QString m_cachedText;
    mutable Fit m_cached;
};
