#pragma once

#include <QAccessible>
#include <QRect>
#include <QStringList>

#include <optional>

// How a painted control reads to a screen reader such as Orca. A control that draws its figure
// itself derives from this beside its widget class; Qt's accessibility then takes the control's
// role and value from here and its name from the widget's accessibleName. The first such control
// made installs the factory that does so.
class AccessibleFigure
{
public:
    AccessibleFigure();
    virtual ~AccessibleFigure() = default;

    virtual QAccessible::Role accessibleRole() const = 0;
    // The figure as it is read, for example "72%" or "开".
    virtual QString accessibleValue() const = 0;
    // Gauges and bars: the figure within 0…100, read as a progress bar's value.
    virtual std::optional<double> accessiblePercent() const { return std::nullopt; }
    // Switches: whether it is on; nothing for a control that cannot be switched.
    virtual std::optional<bool> accessibleChecked() const { return std::nullopt; }

    // A control of several parts read one by one (the page switcher's pages, as tabs).
    virtual QStringList accessibleParts() const { return {}; }
    virtual int selectedPart() const { return -1; }
    virtual void selectPart(int) {}
    virtual QRect partRect(int) const { return {}; } // in the widget's coordinates

    AccessibleFigure(const AccessibleFigure&) = delete;
    AccessibleFigure& operator=(const AccessibleFigure&) = delete;
};
