#include "ThresholdRow.h"

#include "ShellColours.h"

#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

QSpinBox* percentField(const QString& name, QWidget* parent)
{
    auto* field = new QSpinBox(parent);
    field->setPrefix(name + u' ');
    field->setSuffix(u"%"_s);
    field->setAccessibleName(name);
    field->setStyleSheet(ShellColours::darkField(u"QSpinBox"_s));
    return field;
}

} // namespace

ThresholdRow::ThresholdRow(QWidget* parent)
    : QWidget(parent)
    , m_low(percentField(u"偏低"_s, this))
    , m_critical(percentField(u"紧急"_s, this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(
        Text::label(u"提醒阈值"_s, Theme::font(Theme::TextStyle::headline), Theme::white(1), this));
    texts->addWidget(Text::wrapping(u"剩余额度降到这两个百分比时各提醒一次，紧急须低于偏低。"_s,
                                    Theme::font(Theme::TextStyle::caption), Theme::white(0.50), this));
    row->addLayout(texts, 1);
    row->addSpacing(12);
    row->addWidget(m_low, 0, Qt::AlignVCenter);
    row->addWidget(m_critical, 0, Qt::AlignVCenter);

    setValue(QuotaThresholds{});
    const auto emitEdited = [this] {
        limitRanges();
        Q_EMIT edited(value());
    };
    connect(m_low, &QSpinBox::valueChanged, this, emitEdited);
    connect(m_critical, &QSpinBox::valueChanged, this, emitEdited);
}

QuotaThresholds ThresholdRow::value() const
{
    return {m_low->value(), m_critical->value()};
}

void ThresholdRow::setValue(const QuotaThresholds& thresholds)
{
    const QSignalBlocker lowBlocker(m_low);
    const QSignalBlocker criticalBlocker(m_critical);
    m_low->setRange(1, 99);
    m_critical->setRange(1, 99);
    m_low->setValue(int(thresholds.low));
    m_critical->setValue(int(thresholds.critical));
    limitRanges();
}

void ThresholdRow::limitRanges()
{
    // Each field stops where the other begins, so the pair on screen is always a valid one.
    const QSignalBlocker lowBlocker(m_low);
    const QSignalBlocker criticalBlocker(m_critical);
    m_low->setRange(m_critical->value() + 1, 99);
    m_critical->setRange(1, m_low->value() - 1);
}
