#include "WidgetCommandLine.h"

#include "Provider.h"
#include "Tallyfern.h"
#include "TallyfernView.h"
#include "TimelineHost.h"
#include "WidgetPalette.h"
#include "WidgetWindow.h"
#include "model/OptionHelp.h"

#include <QApplication>

#include <cstdio>
#include <span>

using namespace Qt::StringLiterals;

namespace {

using Invocation = WidgetCommandLine::Invocation;

enum class Name { render, placeholder, dark, scale, account, help, version };

struct Option
{
    Name name;
    QStringList names; // without dashes
    QString valueName; // empty for an option that takes no value
    QString help;
};

// Every option, in the order the help lists them.
std::span<const Option> options()
{
    static const Option table[] = {
        {Name::render,
         {u"render"_s},
         u"尺寸"_s,
         u"把小组件此刻的样子（small、medium 或 large）画进 PNG 文件后退出，不需要显示器"_s},
        {Name::placeholder, {u"placeholder"_s}, {}, u"与 --render 一起：画内置的示例，不画本机保存的用量"_s},
        {Name::dark, {u"dark"_s}, {}, u"与 --render 一起：用深色配色"_s},
        {Name::scale, {u"scale"_s}, u"倍数"_s, u"与 --render 一起：每点的像素数，0.5 到 8（默认 2）"_s},
        {Name::account, {u"account"_s}, u"账号"_s, u"显示另一个账号（用户 ID 或标签），默认主账号"_s},
        {Name::help, {u"h"_s, u"help"_s}, {}, u"显示本帮助后退出"_s},
        {Name::version, {u"v"_s, u"version"_s}, {}, u"显示版本号后退出"_s},
    };
    return table;
}

const Option* find(QStringView name)
{
    for (const Option& option : options()) {
        if (option.names.contains(name))
            return &option;
    }
    return nullptr;
}

Invocation misused(const QString& text)
{
    Invocation invocation;
    invocation.mode = Invocation::Mode::misused;
    invocation.problem = WidgetCommandLine::problem(text);
    return invocation;
}

// What the options given make of the invocation; each value as typed.
struct Given
{
    bool render = false, placeholder = false, dark = false, help = false, version = false;
    QString family, scale, account;
    QStringList positional;
};

// The checks of what --render and its options were given.
Invocation rendering(const Given& given, Invocation invocation)
{
    if (!given.render) {
        if (!given.positional.isEmpty() || given.placeholder || given.dark || !given.scale.isNull())
            return misused(u"输出文件、--placeholder、--dark 与 --scale 只能与 --render 一起使用"_s);
        return invocation;
    }
    invocation.mode = Invocation::Mode::render;
    invocation.family = WidgetFamilies::fromName(given.family);
    if (!invocation.family)
        return misused(u"--render 的尺寸只能是 small、medium 或 large：%1"_s.arg(given.family));
    if (given.positional.size() != 1)
        return misused(u"--render 需要且只需要一个输出文件"_s);
    invocation.output = given.positional.constFirst();
    if (!given.scale.isNull()) {
        bool number = false;
        invocation.scale = given.scale.toDouble(&number);
        if (!number || !(invocation.scale >= 0.5 && invocation.scale <= 8))
            return misused(u"--scale 只能是 0.5 到 8 之间的数：%1"_s.arg(given.scale));
    }
    invocation.placeholder = given.placeholder;
    invocation.dark = given.dark;
    return invocation;
}

int showOnDesktop(QApplication& app, const Provider& provider)
{
    TimelineHost host(provider);
    WidgetWindow window(&host);
    // Named in the title, so that two widgets side by side can be told apart.
    if (const QString name = provider.accountName(); !name.isEmpty())
        window.setWindowTitle(QLatin1StringView(Tallyfern::displayName) + u" · "_s + name);
    host.start();
    window.show();
    return app.exec();
}

} // namespace

Invocation WidgetCommandLine::parse(const QStringList& arguments)
{
    Given given;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument.size() < 2) {
            given.positional.append(argument);
            continue;
        }
        if (argument == u"--"_s) {
            optionsEnded = true;
            continue;
        }
        const QStringView body = QStringView(argument).sliced(argument.startsWith(u"--"_s) ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const Option* option = find(equals < 0 ? body : body.first(equals));
        const QString name = argument.first(argument.size() - (equals < 0 ? 0 : body.size() - equals));
        if (!option)
            return misused(u"未知选项 "_s + name + u"（--help 列出全部选项）"_s);
        QString value;
        if (option->valueName.isEmpty()) {
            if (equals >= 0)
                return misused(u"选项 "_s + name + u" 不带取值"_s);
        } else if (equals >= 0) {
            value = body.sliced(equals + 1).toString();
        } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(u'-')) {
            value = arguments[++i];
        } else {
            return misused(u"选项 "_s + name + u" 缺少取值 "_s + option->valueName);
        }
        switch (option->name) {
        case Name::render:
            given.render = true;
            given.family = value;
            break;
        case Name::placeholder:
            given.placeholder = true;
            break;
        case Name::dark:
            given.dark = true;
            break;
        case Name::scale:
            given.scale = value;
            break;
        case Name::account:
            given.account = value;
            break;
        case Name::help:
            given.help = true;
            break;
        case Name::version:
            given.version = true;
            break;
        }
    }

    // The help wins over everything else, then the version, as in the app.
    Invocation invocation;
    if (given.help || given.version) {
        invocation.mode = given.help ? Invocation::Mode::help : Invocation::Mode::version;
        return invocation;
    }
    invocation.account = given.account;
    return rendering(given, std::move(invocation));
}

QString WidgetCommandLine::helpText()
{
    return u"用法：tallyfern-widget [--account 账号]\n"
           u"      tallyfern-widget --render 尺寸 输出.png [--placeholder] [--dark] [--scale 倍数]\n"_s +
           QString::fromUtf8(Tallyfern::description) + u"\n\n选项：\n"_s + OptionHelp::linesOf(options());
}

QString WidgetCommandLine::problem(const QString& text)
{
    return QLatin1StringView(programName) + u"："_s + text;
}

int WidgetCommandLine::run(QApplication& app, const Invocation& invocation, const Provider& provider)
{
    if (invocation.mode != Invocation::Mode::render)
        return showOnDesktop(app, provider);

    // One timeline entry, as the desktop would show it now.
    const UsageEntry entry =
        invocation.placeholder ? provider.placeholder() : provider.timeline().entries.constFirst();
    const WidgetPalette palette = invocation.dark ? WidgetPalette::dark() : WidgetPalette::light();
    const QImage image = TallyfernView(*invocation.family, entry).render(palette, invocation.scale);
    if (!image.save(invocation.output, "PNG")) {
        std::fputs((problem(u"无法写入 "_s + invocation.output) + u'\n').toLocal8Bit().constData(), stderr);
        return 2;
    }
    return 0;
}
