#include "OptionHelp.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QString OptionHelp::usage(const Row& row)
{
    QStringList names;
    for (const QString& name : row.names)
        names << (name.size() == 1 ? u"-"_s : u"--"_s) + name;
    QString text = names.join(u", "_s);
    if (!row.valueName.isEmpty())
        text += u' ' + row.valueName;
    return text;
}

qsizetype OptionHelp::columns(QStringView text)
{
    // CJK and full-width forms start at U+2E80; everything before them in our texts is one column.
    qsizetype count = 0;
    for (const QChar character : text)
        count += character.unicode() >= 0x2E80 ? 2 : 1;
    return count;
}

QString OptionHelp::lines(const QList<Row>& rows)
{
    qsizetype width = 0;
    for (const Row& row : rows)
        width = std::max(width, columns(usage(row)));
    QString text;
    for (const Row& row : rows) {
        const QString left = usage(row);
        text += u"  "_s + left + QString(width + 2 - columns(left), u' ') + row.help + u'\n';
    }
    return text;
}
