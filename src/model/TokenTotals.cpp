#include "TokenTotals.h"

#include "JsonFields.h"

using namespace Qt::StringLiterals;

TokenTotals& TokenTotals::operator+=(const TokenTotals& other)
{
    input += other.input;
    output += other.output;
    cacheRead += other.cacheRead;
    cacheWrite += other.cacheWrite;
    total += other.total;
    return *this;
}

TokenTotals TokenTotals::fromJson(const QJsonObject& object)
{
    using JsonFields::requiredDouble;
    return TokenTotals{
        .input = requiredDouble(object, "input"_L1),
        .output = requiredDouble(object, "output"_L1),
        .cacheRead = requiredDouble(object, "cacheRead"_L1),
        .cacheWrite = requiredDouble(object, "cacheWrite"_L1),
        .total = requiredDouble(object, "total"_L1),
    };
}

QJsonObject TokenTotals::toJson() const
{
    using JsonFields::fromDouble;
    return QJsonObject{
        {"input"_L1, fromDouble(input)},         {"output"_L1, fromDouble(output)},
        {"cacheRead"_L1, fromDouble(cacheRead)}, {"cacheWrite"_L1, fromDouble(cacheWrite)},
        {"total"_L1, fromDouble(total)},
    };
}
