#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The option list of a command's --help: each option's names and value on the left, its help in a
// column after them. The column is counted in terminal columns, where a Chinese character takes two,
// so that "--format 格式" and "--refresh" line up.
namespace OptionHelp {

struct Row
{
    QStringList names; // without dashes: a one-letter name gets one, any other two
    QString valueName; // empty for an option that takes no value
    QString help;
};

// "-h, --help", "--format 格式".
QString usage(const Row& row);

// The terminal columns that `text` takes.
qsizetype columns(QStringView text);

// One line per row, each indented by two spaces and ending in a newline.
QString lines(const QList<Row>& rows);

// The same for a command's own option table, whose entries have names, valueName and help.
template <typename Options>
QString linesOf(const Options& options)
{
    QList<Row> rows;
    for (const auto& option : options)
        rows.append({option.names, option.valueName, option.help});
    return lines(rows);
}

} // namespace OptionHelp
