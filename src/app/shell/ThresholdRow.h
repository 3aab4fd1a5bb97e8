#pragma once

#include "model/QuotaThresholds.h"

#include <QWidget>

class QSpinBox;

// The settings page's row for the two notice thresholds: whole percents, critical always below
// low. Each edit that leaves a valid pair emits it.
class ThresholdRow : public QWidget
{
    Q_OBJECT

public:
    explicit ThresholdRow(QWidget* parent = nullptr);

    QuotaThresholds value() const;
    // Shows the pair without emitting edited().
    void setValue(const QuotaThresholds& thresholds);

    QSpinBox* lowField() const { return m_low; }
    QSpinBox* criticalField() const { return m_critical; }

Q_SIGNALS:
    void edited(const QuotaThresholds& thresholds);

private:
    void limitRanges();

    QSpinBox* m_low;
    QSpinBox* m_critical;
};
