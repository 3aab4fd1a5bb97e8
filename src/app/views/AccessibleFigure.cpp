#include "AccessibleFigure.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace {

// The figure behind a widget, looked up on every call rather than kept: while the widget is being
// built or destroyed (when Qt may still send events about it) it is not one, and the interfaces
// fall back to what they know of a plain widget.
AccessibleFigure* figureOf(QWidget* widget)
{
    return dynamic_cast<AccessibleFigure*>(widget);
}

// One part of a control, such as one page of the switcher. It has no object of its own, so its
// owner's interface keeps it registered for as long as the owner lives.
class PartInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PartInterface(QWidget* owner, int index)
        : m_owner(owner)
        , m_index(index)
    {}

    bool isValid() const override { return figure(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_owner ? m_owner->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_owner); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override
    {
        const AccessibleFigure* owner = figure();
        return owner && t == QAccessible::Name ? owner->accessibleParts().value(m_index) : QString();
    }

    QRect rect() const override
    {
        const AccessibleFigure* owner = figure();
        if (!owner)
            return {};
        const QRect local = owner->partRect(m_index);
        return {m_owner->mapToGlobal(local.topLeft()), local.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (const AccessibleFigure* owner = figure()) {
            state.selectable = true;
            state.selected = owner->selectedPart() == m_index;
            state.invisible = !m_owner->isVisible();
            state.disabled = !m_owner->isEnabled();
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& action) override
    {
        if (AccessibleFigure* owner = figure(); owner && action == pressAction())
            owner->selectPart(m_index);
    }

private:
    AccessibleFigure* figure() const { return figureOf(m_owner); }

    QPointer<QWidget> m_owner;
    int m_index;
};

class FigureInterface : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit FigureInterface(QWidget* widget)
        : QAccessibleWidget(widget)
    {}

    ~FigureInterface() override
    {
        for (QAccessible::Id id : m_partIds)
            QAccessible::deleteAccessibleInterface(id);
    }

    QAccessible::Role role() const override
    {
        const AccessibleFigure* f = figure();
        return f ? f->accessibleRole() : QAccessibleWidget::role();
    }

    QString text(QAccessible::Text t) const override
    {
        const AccessibleFigure* f = figure();
        return f && t == QAccessible::Value ? f->accessibleValue() : QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const AccessibleFigure* f = figure();
        if (const auto checked = f ? f->accessibleChecked() : std::nullopt) {
            state.checkable = true;
            state.checked = *checked;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        const AccessibleFigure* f = figure();
        if (type == QAccessible::ValueInterface && f && f->accessiblePercent())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override
    {
        const AccessibleFigure* f = figure();
        return f ? f->accessiblePercent().value_or(0) : 0.0;
    }
    void setCurrentValue(const QVariant&) override {} // read only
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 1.0; }

    QStringList actionNames() const override
    {
        const AccessibleFigure* f = figure();
        if (f && f->accessibleChecked())
            return {toggleAction(), pressAction()};
        return QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        auto* button = qobject_cast<QAbstractButton*>(widget());
        if (button && figure() && (action == toggleAction() || action == pressAction()))
            button->click();
        else
            QAccessibleWidget::doAction(action);
    }

    // Parts stand for the children; a control without parts keeps its child widgets.
    int childCount() const override
    {
        const int parts = partCount();
        return parts > 0 ? parts : QAccessibleWidget::childCount();
    }
    QAccessibleInterface* child(int index) const override
    {
        const int parts = partCount();
        if (parts == 0)
            return QAccessibleWidget::child(index);
        if (index < 0 || index >= parts)
            return nullptr;
        if (m_partIds.size() < std::size_t(parts))
            m_partIds.resize(std::size_t(parts), 0);
        QAccessible::Id& id = m_partIds[std::size_t(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new PartInterface(widget(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (partCount() == 0)
            return QAccessibleWidget::indexOfChild(child);
        for (std::size_t i = 0; i < m_partIds.size(); ++i) {
            if (m_partIds[i] != 0 && QAccessible::accessibleInterface(m_partIds[i]) == child)
                return int(i);
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        const AccessibleFigure* f = figure();
        if (f && partCount() > 0 && widget()->hasFocus())
            return child(f->selectedPart());
        return QAccessibleWidget::focusChild();
    }

private:
    AccessibleFigure* figure() const { return figureOf(widget()); }
    int partCount() const
    {
        const AccessibleFigure* f = figure();
        return f ? int(f->accessibleParts().size()) : 0;
    }

    mutable std::vector<QAccessible::Id> m_partIds;
};

QAccessibleInterface* figureFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    return figureOf(widget) ? new FigureInterface(widget) : nullptr;
}

} // namespace

AccessibleFigure::AccessibleFigure()
{
    static const bool installed = [] {
        QAccessible::installFactory(figureFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
