#include "SettingsRow.h"

#include "SwitchToggle.h"

#include "app/views/Card.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QLabel>

SettingsRow::SettingsRow(const QString& title, const QString& detail, SwitchToggle* toggle, QWidget* parent)
    : QWidget(parent)
    , m_toggle(toggle)
    , m_detail(Text::wrapping(detail, Theme::font(Theme::TextStyle::caption), Theme::white(0.50), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(Text::label(title, Theme::font(Theme::TextStyle::headline), Theme::white(1), this));
    texts->addWidget(m_detail);
    row->addLayout(texts, 1);
    row->addSpacing(12);
    toggle->setParent(this);
    row->addWidget(toggle, 0, Qt::AlignVCenter);
}

QWidget* SettingsRow::divider(QWidget* parent)
{
    auto* divider = new Card(Theme::white(0.12), 0, parent);
    divider->setFixedHeight(1);
    return divider;
}
