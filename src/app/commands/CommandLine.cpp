#include "CommandLine.h"

#include <QFile>

#include <algorithm>
#include <span>

using namespace Qt::StringLiterals;

namespace {

using CommandLine::Mode;

struct Option
{
    QStringList names; // without dashes; one or two dashes select it alike ("-help", "--help")
    QString valueName; // empty for an option that takes no value
    Mode mode;
    QString help;
};

// Every option, in the order the help lists them. "--refresh" is matched on its own, before these.
std::span<const Option> options()
{
    static const Option table[] = {
        {{u"h"_s, u"help"_s}, {}, Mode::Help, u"显示本帮助后退出"_s},
        {{u"v"_s, u"version"_s}, {}, Mode::Version, u"显示版本号后退出"_s},
        {{u"refresh"_s}, {}, Mode::Refresh, u"在后台刷新一次用量后退出（供后台任务使用）"_s},
        {{u"import-session"_s}, {}, Mode::ImportSession, u"从本机 Cursor 编辑器导入登录并跟随它，不刷新"_s},
        {{u"background"_s}, {}, Mode::Background, u"启动到托盘，不打开窗口（供登录时启动使用）"_s},
        {{u"status"_s}, {}, Mode::Status, u"打印本机保存的用量后退出，不联网"_s},
        {{u"format"_s}, u"格式"_s, Mode::Status, u"--status 的输出：text（默认）、json 或 waybar"_s},
        {{u"export-csv"_s}, u"文件"_s, Mode::ExportCsv, u"把一个账期的用量历史导出为 CSV 后退出"_s},
        {{u"cycle"_s}, u"账期"_s, Mode::ExportCsv, u"--export-csv 的账期：current（默认）或 previous"_s},
    };
    return table;
}

QString displayName(const Option& option)
{
    QStringList names;
    for (const QString& name : option.names)
        names << (name.size() == 1 ? u"-"_s : u"--"_s) + name;
    QString text = names.join(u", "_s);
    if (!option.valueName.isEmpty())
        text += u' ' + option.valueName;
    return text;
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

CommandLine::Invocation misused(const QString& argument, const QString& what)
{
    return {Mode::Misused, {}, u"tallyfern：选项 "_s + argument + u' ' + what};
}

} // namespace

CommandLine::Invocation CommandLine::parse(const QStringList& arguments)
{
    const QStringList given = arguments.sliced(qMin<qsizetype>(1, arguments.size()));
    // Exact, case-sensitive, anywhere: the background agent's refresh wins over everything else.
    if (given.contains(QLatin1StringView(refreshArgument)))
        return {Mode::Refresh, {}, {}};

    // Of several options, the one listed first in the table wins ("-v -h" prints the help).
    const Option* chosen = nullptr;
    QHash<QString, QString> values;
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
        QString optionValue;
        if (option->valueName.isEmpty()) {
            if (equals >= 0)
                return misused(argument, u"不带取值"_s);
        } else if (equals >= 0) {
            optionValue = body.sliced(equals + 1).toString();
        } else if (i + 1 < given.size() && !given[i + 1].startsWith(u'-')) {
            optionValue = given[++i];
        } else {
            return misused(argument, u"缺少取值 "_s + option->valueName);
        }
        if (!option->valueName.isEmpty())
            values.insert(option->names.constLast(), optionValue);
        if (!chosen || option < chosen)
            chosen = option;
    }
    if (!chosen)
        return {Mode::Interactive, {}, {}};
    return {chosen->mode, values, {}};
}

std::optional<QString> CommandLine::Invocation::valueOf(const QString& name) const
{
    const auto found = values.constFind(name);
    return found == values.cend() ? std::nullopt : std::optional(*found);
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
    qsizetype width = 0;
    for (const Option& option : options())
        width = std::max(width, displayName(option).size());
    QString text = u"用法：tallyfern [选项]\n"
                   u"Tallyfern：在桌面上查看 Cursor 的用量与预估费用。\n"
                   u"\n"
                   u"选项：\n"_s;
    for (const Option& option : options())
        text += u"  "_s + displayName(option).leftJustified(width + 2) + option.help + u'\n';
    return text;
}

QString CommandLine::versionText()
{
    return u"tallyfern "_s + QLatin1StringView(TALLYFERN_VERSION) + u'\n';
}
