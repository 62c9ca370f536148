// SPDX-License-Identifier: GPL-3.0-or-later
#include "Accessibility.h"

#include "ElidedLabel.h"
#include "LampWidget.h"
#include "TrendPlot.h"
#include "TrendWindow.h"

#include <QAccessibleWidget>
#include <QLabel>

#include <mutex>

namespace {

const char* const kUnitProperty = "zeqAccessibleUnit";
const char* const kDialogProperty = "zeqAccessibleDialog";
const char* const kHiddenProperty = "zeqAccessibleHidden";

// Interfaces are made when first asked for, which may be while a window is being built;
// one made before the window said what a control is would stay as it was made.
void forgetInterface(QWidget* widget)
{
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

// A reading is read as its name and its value with the unit, "Temperature 25.3 °C", as a
// screen reader reads a label: by its name. The value alone is its Value text.
class ReadingInterface : public QAccessibleWidget {
public:
    explicit ReadingInterface(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return widget()->accessibleName() + u' ' + text(QAccessible::Value);
        if (kind != QAccessible::Value)
            return QAccessibleWidget::text(kind);
        const QString unit = widget()->property(kUnitProperty).toString();
        const QString shown = static_cast<const QLabel*>(widget())->text();
        return unit.isEmpty() ? shown : shown + u' ' + unit;
    }
};

// A lamp is read as its caption and its state, "Relay1 on"; the state alone is its Value
// text and its checked state.
class LampInterface : public QAccessibleWidget {
public:
    explicit LampInterface(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return static_cast<const LampWidget*>(widget())->isOn() ? QStringLiteral("on") : QStringLiteral("off");
        if (kind == QAccessible::Name)
            return widget()->accessibleName() + u' ' + text(QAccessible::Value);
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = static_cast<const LampWidget*>(widget())->isOn();
        state.readOnly = true;
        return state;
    }
};

// A line of text drawn by the program is read as a label: by its whole text, even where
// the line shows it cut.
class TextLineInterface : public QAccessibleWidget {
public:
    explicit TextLineInterface(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return static_cast<const ElidedLabel*>(widget())->text();
        return kind == QAccessible::Description ? QString() : QAccessibleWidget::text(kind);
    }
};

class HiddenInterface : public QAccessibleWidget {
public:
    explicit HiddenInterface(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = true;
        state.offscreen = true;
        return state;
    }
    QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface* interfaceFor(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (widget->property(kHiddenProperty).toBool())
        return new HiddenInterface(widget);
    if (widget->property(kDialogProperty).toBool())
        return new QAccessibleWidget(widget, QAccessible::Dialog);
    if (widget->property(kUnitProperty).isValid() && qobject_cast<QLabel*>(widget))
        return new ReadingInterface(widget);
    if (qobject_cast<LampWidget*>(widget))
        return new LampInterface(widget);
    if (qobject_cast<ElidedLabel*>(widget))
        return new TextLineInterface(widget);
    if (qobject_cast<TrendPlot*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Chart);
    // A window of its own, as the main window is, not a pane of nothing.
    if (qobject_cast<TrendWindow*>(widget))
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(interfaceFor); });
}

void nameAfterCaption(QWidget* control, QLabel* caption, const QString& description)
{
    QString name = caption->text().trimmed();
    if (name.endsWith(u'='))
        name = name.chopped(1).trimmed();
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    caption->setBuddy(control);
}

void describeReading(QLabel* reading, const QString& name, const QString& unit, const QString& description)
{
    reading->setProperty(kUnitProperty, unit);
    reading->setAccessibleName(name);
    reading->setAccessibleDescription(description);
    forgetInterface(reading);
}

void markAsDialog(QWidget* window)
{
    window->setProperty(kDialogProperty, true);
    forgetInterface(window);
}

void hideFromAccessibility(QWidget* widget)
{
    widget->setProperty(kHiddenProperty, true);
    forgetInterface(widget);
}

namespace {
std::function<void(QWidget*)>& announcementWatcher()
{
    static std::function<void(QWidget*)> watcher;
    return watcher;
}
} // namespace

void watchAnnouncements(std::function<void(QWidget*)> watcher) { announcementWatcher() = std::move(watcher); }

void announceNameChange(QWidget* widget)
{
    if (announcementWatcher())
        announcementWatcher()(widget);
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(widget, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}
