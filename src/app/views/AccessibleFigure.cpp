#include "AccessibleFigure.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

#include <vector>

namespace {

// One part of a control, such as one page of the switcher. It has no object of its own, so its
// owner's interface keeps it registered for as long as the owner lives.
class PartInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PartInterface(QWidget* owner, AccessibleFigure* figure, int index)
        : m_owner(owner)
        , m_figure(figure)
        , m_index(index)
    {}

    bool isValid() const override { return m_owner; }
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
        if (!m_owner || t != QAccessible::Name)
            return {};
        return m_figure->accessibleParts().value(m_index);
    }

    QRect rect() const override
    {
        if (!m_owner)
            return {};
        const QRect local = m_figure->partRect(m_index);
        return {m_owner->mapToGlobal(local.topLeft()), local.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!m_owner)
            return state;
        state.selectable = true;
        state.selected = m_figure->selectedPart() == m_index;
        state.invisible = !m_owner->isVisible();
        state.disabled = !m_owner->isEnabled();
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
        if (m_owner && action == pressAction())
            m_figure->selectPart(m_index);
    }

private:
    QPointer<QWidget> m_owner;
    AccessibleFigure* m_figure;
    int m_index;
};

class FigureInterface : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    FigureInterface(QWidget* widget, AccessibleFigure* figure)
        : QAccessibleWidget(widget)
        , m_figure(figure)
    {}

    ~FigureInterface() override
    {
        for (QAccessible::Id id : m_partIds)
            QAccessible::deleteAccessibleInterface(id);
    }

    QAccessible::Role role() const override { return m_figure->accessibleRole(); }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? m_figure->accessibleValue() : QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (const auto checked = m_figure->accessibleChecked()) {
            state.checkable = true;
            state.checked = *checked;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && m_figure->accessiblePercent())
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return m_figure->accessiblePercent().value_or(0); }
    void setCurrentValue(const QVariant&) override {} // read only
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 1.0; }

    QStringList actionNames() const override
    {
        if (m_figure->accessibleChecked())
            return {toggleAction(), pressAction()};
        return QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        auto* button = qobject_cast<QAbstractButton*>(widget());
        if (button && (action == toggleAction() || action == pressAction()))
            button->click();
        else
            QAccessibleWidget::doAction(action);
    }

    // Parts stand for the children; a control without parts keeps its child widgets.
    int childCount() const override
    {
        const qsizetype parts = m_figure->accessibleParts().size();
        return parts > 0 ? int(parts) : QAccessibleWidget::childCount();
    }
    QAccessibleInterface* child(int index) const override
    {
        const int parts = int(m_figure->accessibleParts().size());
        if (parts == 0)
            return QAccessibleWidget::child(index);
        if (index < 0 || index >= parts)
            return nullptr;
        if (m_partIds.size() < std::size_t(parts))
            m_partIds.resize(std::size_t(parts), 0);
        QAccessible::Id& id = m_partIds[std::size_t(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(new PartInterface(widget(), m_figure, index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (m_figure->accessibleParts().isEmpty())
            return QAccessibleWidget::indexOfChild(child);
        for (std::size_t i = 0; i < m_partIds.size(); ++i) {
            if (m_partIds[i] != 0 && QAccessible::accessibleInterface(m_partIds[i]) == child)
                return int(i);
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!m_figure->accessibleParts().isEmpty() && widget()->hasFocus())
            return child(m_figure->selectedPart());
        return QAccessibleWidget::focusChild();
    }

private:
    AccessibleFigure* m_figure;
    mutable std::vector<QAccessible::Id> m_partIds;
};

QAccessibleInterface* figureFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (auto* figure = dynamic_cast<AccessibleFigure*>(widget))
        return new FigureInterface(widget, figure);
    return nullptr;
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
