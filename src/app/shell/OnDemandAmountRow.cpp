#include "OnDemandAmountRow.h"

#include "ShellColours.h"

#include "app/views/Text.h"
#include "app/views/Theme.h"
#include "model/OnDemandAmount.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

OnDemandAmountRow::OnDemandAmountRow(QWidget* parent)
    : QWidget(parent)
    , m_field(new QLineEdit(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* row = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    const QString title = u"按需用量提醒（美元）"_s;
    texts->addWidget(Text::label(title, Theme::font(Theme::TextStyle::headline), Theme::white(1), this));
    texts->addWidget(Text::wrapping(u"本账期的按需花费达到这个金额时提醒一次，留空则不提醒。"_s,
                                    Theme::font(Theme::TextStyle::caption), Theme::white(0.50), this));
    row->addLayout(texts, 1);
    row->addSpacing(12);
    m_field->setAccessibleName(title);
    m_field->setPlaceholderText(u"未设置"_s);
    m_field->setMaxLength(12);
    m_field->setFixedWidth(120);
    m_field->setStyleSheet(ShellColours::darkField(u"QLineEdit"_s));
    row->addWidget(m_field, 0, Qt::AlignVCenter);
    column->addLayout(row);

    m_problem = Text::wrapping(
        u"请输入 %1 到 %2 之间的整数"_s.arg(OnDemandAmount::minimum).arg(OnDemandAmount::maximum),
        Theme::font(Theme::TextStyle::caption), ShellColours::destructive(palette()), this);
    m_problem->hide();
    column->addWidget(m_problem);

    showStored();
    connect(m_field, &QLineEdit::editingFinished, this, &OnDemandAmountRow::commit);
}

void OnDemandAmountRow::commit()
{
    const QString text = m_field->text().trimmed();
    const auto amount = OnDemandAmount::parse(text);
    // Anything but an empty field or a whole number in range keeps the stored amount.
    const bool valid = text.isEmpty() || amount;
    m_problem->setVisible(!valid);
    if (valid)
        OnDemandAmount::save(amount);
    showStored();
}

void OnDemandAmountRow::showStored()
{
    const auto stored = OnDemandAmount::load();
    m_field->setText(stored ? QString::number(*stored) : QString());
}
