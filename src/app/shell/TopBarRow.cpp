#include "TopBarRow.h"

#include "SwitchToggle.h"
#include "TopBarExtension.h"

#include <QLabel>

using namespace Qt::StringLiterals;

TopBarRow::TopBarRow(QWidget* parent)
    : SettingsRow(u"在顶栏显示"_s, detailText(false), new SwitchToggle(u"在顶栏显示"_s), parent)
{
    connect(toggle(), &SwitchToggle::clicked, this, &TopBarRow::clicked);
    // Elsewhere nothing is asked of the desktop.
    setVisible(TopBarExtension::offered());
}

QString TopBarRow::detailText(bool afterLogin)
{
    const QString usual = u"在 GNOME 顶栏显示剩余额度；菜单里有各账号、刷新和打开 Tallyfern。"_s;
    return afterLogin ? usual + u"注销并重新登录后生效。"_s : usual;
}

void TopBarRow::showEvent(QShowEvent* event)
{
    SettingsRow::showEvent(event);
    follow();
}

void TopBarRow::follow()
{
    const TopBarExtension::State state = TopBarExtension::state();
    toggle()->setChecked(state != TopBarExtension::State::off);
    detail()->setText(detailText(state == TopBarExtension::State::afterLogin));
}

void TopBarRow::clicked(bool on)
{
    const TopBarExtension::State state = TopBarExtension::setEnabled(on);
    // A switch the desktop did not follow snaps back.
    toggle()->setChecked(state != TopBarExtension::State::off);
    detail()->setText(detailText(state == TopBarExtension::State::afterLogin));
}
