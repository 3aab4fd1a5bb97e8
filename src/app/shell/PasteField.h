#pragma once

#include <QColor>
#include <QWidget>

class QPlainTextEdit;

// The multi-line field the session cookie is pasted into: monospaced plain text on a faint rounded
// fill, at least 140 points high. The text lives only in this widget; clear() also drops the undo
// history, so that a saved cookie does not linger in the editor.
class PasteField : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumEditorHeight = 140;
    static constexpr int padding = 8;
    static constexpr qreal radius = 10;

    explicit PasteField(const QColor& fill, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    void clear();

    QPlainTextEdit* editor() const { return m_editor; }
    QColor fill() const { return m_fill; }

Q_SIGNALS:
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    QPlainTextEdit* m_editor;
};
