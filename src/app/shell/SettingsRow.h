#pragma once

#include <QWidget>

class QLabel;
class SwitchToggle;

// One switch of the settings page: a title, a line saying what it does, and the switch on the right.
class SettingsRow : public QWidget
{
    Q_OBJECT

public:
    SettingsRow(const QString& title, const QString& detail, SwitchToggle* toggle, QWidget* parent = nullptr);

    SwitchToggle* toggle() const { return m_toggle; }
    QLabel* detail() const { return m_detail; }

    // The hairline between two sections of the page.
    static QWidget* divider(QWidget* parent);

private:
    SwitchToggle* m_toggle;
    QLabel* m_detail;
};
