#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <optional>

// Shared by the libFuzzer targets: the raw input as bytes, text or a JSON document.
namespace FuzzInput {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QString text(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline std::optional<QJsonDocument> json(const std::uint8_t* data, std::size_t size)
{
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(bytes(data, size), &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

// A broken invariant is a finding: abort so libFuzzer keeps the input.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace FuzzInput
