#pragma once

#include <QString>

#include <array>
#include <optional>

// The dashboard window's four pages, in the switcher's order. Each page's text is also its title.
enum class DashboardPage { overview, models, trends, settings };

namespace DashboardPages {

inline constexpr std::array<DashboardPage, 4> all{DashboardPage::overview, DashboardPage::models,
                                                  DashboardPage::trends, DashboardPage::settings};

// "概览", "模型", "趋势", "设置".
QString rawValue(DashboardPage page);
// Nothing for a text that is none of the four.
std::optional<DashboardPage> fromRawValue(const QString& text);

int index(DashboardPage page);

} // namespace DashboardPages
