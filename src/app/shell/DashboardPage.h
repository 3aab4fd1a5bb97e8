#pragma once

#include <QString>

#include <array>
#include <optional>

// The dashboard window's three pages, in the switcher's order. Each page's text is also its title.
enum class DashboardPage { overview, models, settings };

namespace DashboardPages {

inline constexpr std::array<DashboardPage, 3> all{DashboardPage::overview, DashboardPage::models,
                                                  DashboardPage::settings};

// "概览", "模型", "设置".
QString rawValue(DashboardPage page);
// Nothing for a text that is none of the three.
std::optional<DashboardPage> fromRawValue(const QString& text);

int index(DashboardPage page);

} // namespace DashboardPages
