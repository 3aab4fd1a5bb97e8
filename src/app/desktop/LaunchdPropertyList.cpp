#include "LaunchAgent.h"

#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

namespace {

// XML 1.0 cannot carry most control characters, not even escaped, and a reader turns a carriage
// return that the writer leaves bare into a line feed.
bool isXmlText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t code = text[i].unicode();
        if (code < 0x20 && code != u'\t' && code != u'\n')
            return false;
        if (code == 0xfffe || code == 0xffff)
            return false;
        if (QChar::isHighSurrogate(code)) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(code)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<QByteArray> LaunchAgent::propertyList(const QString& executable)
{
    if (!isXmlText(executable))
        return std::nullopt;
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1); // one tab, as launchd's own tools write it
    xml.writeStartDocument();
    xml.writeDTD(
        uR"(<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">)"_s);
    xml.writeStartElement(u"plist"_s);
    xml.writeAttribute(u"version"_s, u"1.0"_s);
    xml.writeStartElement(u"dict"_s);

    // Keys in sorted order, as the system's serialiser writes a dictionary.
    xml.writeTextElement(u"key"_s, u"Label"_s);
    xml.writeTextElement(u"string"_s, QLatin1StringView(label));
    xml.writeTextElement(u"key"_s, u"ProgramArguments"_s);
    xml.writeStartElement(u"array"_s);
    xml.writeTextElement(u"string"_s, executable);
    xml.writeTextElement(u"string"_s, u"--refresh"_s);
    xml.writeEndElement();
    xml.writeTextElement(u"key"_s, u"RunAtLoad"_s);
    xml.writeEmptyElement(u"true"_s);
    xml.writeTextElement(u"key"_s, u"StandardErrorPath"_s);
    xml.writeTextElement(u"string"_s, u"/dev/null"_s);
    xml.writeTextElement(u"key"_s, u"StandardOutPath"_s);
    xml.writeTextElement(u"string"_s, u"/dev/null"_s);
    xml.writeTextElement(u"key"_s, u"StartInterval"_s);
    xml.writeTextElement(u"integer"_s, QString::number(intervalSeconds));

    xml.writeEndElement(); // dict
    xml.writeEndElement(); // plist
    xml.writeEndDocument();
    if (xml.hasError())
        return std::nullopt;
    return bytes;
}
