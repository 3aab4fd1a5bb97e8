#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// The settings page's row for the on-demand spend that earns a notice: whole dollars, empty for
// none. An amount out of range says so below the row and leaves the stored one as it was.
class OnDemandAmountRow : public QWidget
{
    Q_OBJECT

public:
    explicit OnDemandAmountRow(QWidget* parent = nullptr);

    QLineEdit* field() const { return m_field; }
    QLabel* problem() const { return m_problem; }

private:
    void commit();
    void showStored();

    QLineEdit* m_field;
    QLabel* m_problem;
};
