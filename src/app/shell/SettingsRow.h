#pragma once

#include <QWidget>

class SwitchToggle;

// One switch of the settings page: a title, a line saying what it does, and the switch on the right.
class SettingsRow : public QWidget
{
    Q_OBJECT

public:
    SettingsRow(const QString& title, const QString& detail, SwitchToggle* toggle, QWidget* parent = nullptr);

    SwitchToggle* toggle() const { return m_toggle; }

private:
    SwitchToggle* m_toggle;
};

// A hairline across the page.
QWidget* makeDivider(QWidget* parent);
