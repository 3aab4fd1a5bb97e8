#include "PasteField.h"

#include "app/views/Shapes.h"
#include "app/views/Theme.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

PasteField::PasteField(const QColor& fill, QWidget* parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_editor(new QPlainTextEdit(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->addWidget(m_editor);

    m_editor->setFont(Theme::monospacedFont(Theme::TextStyle::body));
    // The note above says what goes here; a screen reader needs the field named all the same.
    m_editor->setAccessibleName(QStringLiteral("粘贴 Cookie"));
    m_editor->setMinimumHeight(minimumEditorHeight);
    m_editor->setFrameShape(QFrame::NoFrame);
    // The field's own fill shows through the editor.
    QPalette colours = m_editor->palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    m_editor->setPalette(colours);
    m_editor->viewport()->setAutoFillBackground(false);
    // A cookie is one long word: wrap it anywhere rather than scroll sideways.
    m_editor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_editor->setTabChangesFocus(true);
    // Keep input methods from learning or suggesting the secret.
    m_editor->setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &PasteField::textChanged);
}

QString PasteField::text() const
{
    return m_editor->toPlainText();
}

void PasteField::setText(const QString& text)
{
    m_editor->setPlainText(text);
}

void PasteField::clear()
{
    m_editor->clear();
}

void PasteField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Shapes::fillContinuousRoundedRect(painter, rect(), radius, m_fill);
}
