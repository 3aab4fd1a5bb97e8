#include "DashboardPage.h"

using namespace Qt::StringLiterals;

QString DashboardPages::rawValue(DashboardPage page)
{
    switch (page) {
    case DashboardPage::overview:
        return u"概览"_s;
    case DashboardPage::models:
        return u"模型"_s;
    case DashboardPage::trends:
        return u"趋势"_s;
    case DashboardPage::settings:
        break;
    }
    return u"设置"_s;
}

std::optional<DashboardPage> DashboardPages::fromRawValue(const QString& text)
{
    for (DashboardPage page : all) {
        if (rawValue(page) == text)
            return page;
    }
    return std::nullopt;
}

int DashboardPages::index(DashboardPage page)
{
    return static_cast<int>(page);
}
