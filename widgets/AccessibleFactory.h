#pragma once

#include <QAccessible>
#include <QLatin1String>

// The factory of the accessible interface TInterface for the widget class TWidget, for
// QAccessible::installFactory: Qt asks it with the name of each class an object derives from.
template <class TInterface, class TWidget>
QAccessibleInterface* AccessibleFactory(const QString& strClass, QObject* pObject)
{
    if (strClass == QLatin1String(TWidget::staticMetaObject.className()))
        return new TInterface(static_cast<TWidget*>(pObject));
    return nullptr;
}
