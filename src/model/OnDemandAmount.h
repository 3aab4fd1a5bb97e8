#pragma once

#include <QString>

#include <optional>

// The on-demand spend, in whole dollars, that earns a notice once per billing cycle: one amount for
// every account, set on the settings page; none (the default) sends no such notice.
namespace OnDemandAmount {

inline constexpr qint64 minimum = 1;
inline constexpr qint64 maximum = 100000;

// A whole number of dollars from `minimum` to `maximum`, as typed (spaces around it allowed).
std::optional<qint64> parse(const QString& text);

// The stored amount; none when it is missing or not a valid one (edited by hand).
std::optional<qint64> load();
// Stores the amount, or removes it for none; false for an amount out of range or a failed write.
bool save(std::optional<qint64> amount);

} // namespace OnDemandAmount
