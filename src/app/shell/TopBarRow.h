#pragma once

#include "SettingsRow.h"

// The settings page's "在顶栏显示": the GNOME Shell extension on or off, where TopBarExtension offers
// it (GNOME without a tray, the extension installed). It reads the state each time it is shown, since
// the user may switch the extension elsewhere, and says when a new login is needed first.
class TopBarRow : public SettingsRow
{
    Q_OBJECT

public:
    explicit TopBarRow(QWidget* parent = nullptr);

    static QString detailText(bool afterLogin);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void follow();
    void clicked(bool on);
};
