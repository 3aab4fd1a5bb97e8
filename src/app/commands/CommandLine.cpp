#include "CommandLine.h"

#include "desktop/LoginItem.h"
#include "model/OptionHelp.h"

#include <QFile>

#include <span>

using namespace Qt::StringLiterals;

namespace {

using CommandLine::Mode;

enum class Modifier { none, format, cycle, account, follow };

struct Option
{
    QStringList names; // without dashes; one or two dashes select it alike ("-help", "--help")
    QString valueName; // empty for an option that takes no value
    Mode mode;         // a modifier's: the mode it selects when given alone
    Modifier modifier; // none for an option that selects a mode
    QString help;
};

// Every option, in the order the help lists them. "--refresh" is matched on its own, before these.
std::span<const Option> options()
{
    static const Option table[] = {
        {{u"h"_s, u"help"_s}, {}, Mode::Help, Modifier::none, u"显示本帮助后退出"_s},
        {{u"v"_s, u"version"_s}, {}, Mode::Version, Modifier::none, u"显示版本号后退出"_s},
        {{u"refresh"_s},
         {},
         Mode::Refresh,
         Modifier::none,
         u"在后台刷新一次所有账号的用量后退出（供后台任务使用）"_s},
        {{u"import-session"_s},
         {},
         Mode::ImportSession,
         Modifier::none,
         u"从本机 Cursor 编辑器导入登录并跟随它，不刷新"_s},
        // What the login entry starts the app with, without its dashes.
        {{QString(QLatin1StringView(LoginItem::backgroundArgument).sliced(2))},
         {},
         Mode::Background,
         Modifier::none,
         u"启动到托盘，不打开窗口（供登录时启动使用）"_s},
        {{u"status"_s}, {}, Mode::Status, Modifier::none, u"打印本机保存的用量后退出，不联网"_s},
        {{u"format"_s},
         u"格式"_s,
         Mode::Status,
         Modifier::format,
         u"--status 的输出：text（默认）、json 或 waybar；--accounts 的输出：text 或 json"_s},
        {{u"export-csv"_s},
         u"文件"_s,
         Mode::ExportCsv,
         Modifier::none,
         u"把一个账期的用量历史导出为 CSV 后退出"_s},
        {{u"cycle"_s},
         u"账期"_s,
         Mode::ExportCsv,
         Modifier::cycle,
         u"--export-csv 的账期：current（默认）或 previous"_s},
        {{u"account"_s},
         u"账号"_s,
         Mode::Status,
         Modifier::account,
         u"--status 与 --export-csv 的账号：用户 ID 或标签（默认主账号）；--status 可用 all"_s},
        {{u"follow"_s},
         {},
         Mode::Status,
         Modifier::follow,
         u"与 --status 一起：先打印一次，之后保存的用量每次变化时再打印，直到读取方离开"_s},
        {{u"add-account"_s},
         {},
         Mode::AddAccount,
         Modifier::none,
         u"从标准输入读入 Cookie，添加或更新一个账号"_s},
        {{u"accounts"_s}, {}, Mode::Accounts, Modifier::none, u"列出所有账号后退出"_s},
        {{u"remove-account"_s},
         u"账号"_s,
         Mode::RemoveAccount,
         Modifier::none,
         u"移除一个账号及其本机数据"_s},
        {{u"primary"_s},
         u"账号"_s,
         Mode::Primary,
         Modifier::none,
         u"设为主账号（小组件、托盘与 --status 默认显示）"_s},
    };
    return table;
}

// Which modifiers each mode takes.
bool accepts(Mode mode, Modifier modifier)
{
    switch (modifier) {
    case Modifier::format:
        return mode == Mode::Status || mode == Mode::Accounts;
    case Modifier::follow:
        return mode == Mode::Status;
    case Modifier::cycle:
        return mode == Mode::ExportCsv;
    case Modifier::account:
        return mode == Mode::Status || mode == Mode::ExportCsv;
    case Modifier::none:
        break;
    }
    return true;
}

const Option* find(QStringView name)
{
    for (const Option& option : options()) {
        // Matched exactly only, and only there: "--refresh=1" is no refresh and no mistake either.
        if (option.mode != Mode::Refresh && option.names.contains(name))
            return &option;
    }
    return nullptr;
}

CommandLine::Invocation misused(const QString& text)
{
    CommandLine::Invocation invocation;
    invocation.mode = Mode::Misused;
    invocation.problem = u"tallyfern："_s + text;
    return invocation;
}

struct Given
{
    const Option* option;
    QString argument; // as typed, for messages
    QString value;
};

} // namespace

CommandLine::Invocation CommandLine::parse(const QStringList& arguments)
{
    const QStringList given = arguments.sliced(qMin<qsizetype>(1, arguments.size()));
    // Exact, case-sensitive, anywhere: the background agent's refresh wins over everything else.
    if (given.contains(QLatin1StringView(refreshArgument)))
        return {Mode::Refresh, {}, {}, {}, {}, false, {}};

    QList<Given> found;
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QString& argument = given[i];
        if (argument == u"--"_s)
            break;
        if (!argument.startsWith(u'-') || argument.size() < 2)
            continue; // a value of some toolkit option ("-style fusion"), or a file
        const QStringView body = QStringView(argument).sliced(argument.startsWith(u"--"_s) ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const Option* option = find(equals < 0 ? body : body.first(equals));
        if (!option)
            continue; // unknown options (the toolkit's among them) start the app as they always have
        const QString name = argument.first(argument.size() - (equals < 0 ? 0 : body.size() - equals));
        QString value;
        if (option->valueName.isEmpty()) {
            if (equals >= 0)
                return misused(u"选项 "_s + argument + u" 不带取值"_s);
        } else if (equals >= 0) {
            value = body.sliced(equals + 1).toString();
        } else if (i + 1 < given.size() && !given[i + 1].startsWith(u'-')) {
            value = given[++i];
        } else {
            return misused(u"选项 "_s + argument + u" 缺少取值 "_s + option->valueName);
        }
        found.append({option, name, value});
    }

    // Of several modes, the one listed first in the table wins ("-v -h" prints the help); a modifier
    // alone selects the mode it belongs to.
    const Option* chosen = nullptr;
    for (const bool modes : {true, false}) {
        for (const Given& option : std::as_const(found)) {
            const bool isMode = option.option->modifier == Modifier::none;
            if (isMode == modes && (!chosen || option.option < chosen))
                chosen = option.option;
        }
        if (chosen)
            break;
    }
    if (!chosen)
        return {};

    Invocation invocation;
    invocation.mode = chosen->mode;
    if (invocation.mode == Mode::Help || invocation.mode == Mode::Version)
        return invocation;
    const QString modeName = u"--"_s + chosen->names.constLast();
    for (const Given& option : std::as_const(found)) {
        switch (option.option->modifier) {
        case Modifier::none:
            if (option.option->mode == invocation.mode)
                invocation.value = option.value;
            continue;
        case Modifier::format:
            invocation.format = option.value;
            break;
        case Modifier::cycle:
            invocation.cycle = option.value;
            break;
        case Modifier::account:
            invocation.account = option.value;
            break;
        case Modifier::follow:
            invocation.follow = true;
            break;
        }
        if (!accepts(invocation.mode, option.option->modifier))
            return misused(u"选项 "_s + option.argument + u" 不能与 "_s + modeName + u" 一起使用"_s);
    }
    return invocation;
}

QStringList CommandLine::fromArgv(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    return arguments;
}

QString CommandLine::helpText()
{
    return u"用法：tallyfern [选项]\n"
           u"Tallyfern：在桌面上查看 Cursor 的用量与预估费用。\n"
           u"\n"
           u"选项：\n"_s +
           OptionHelp::linesOf(options());
}

QString CommandLine::versionText()
{
    return u"tallyfern "_s + QLatin1StringView(TALLYFERN_VERSION) + u'\n';
}
