#pragma once

#include <QCoreApplication>
#include <QString>

// The accessible name of a display that a screen reader reads as a whole: what it shows, after
// the name of what it is ("Frequency: 98.50"); only the reading when it has no name.
inline QString AccessibleReading(const QString& strName, const QString& strReading)
{
    if (strName.isEmpty())
        return strReading;
    return QCoreApplication::translate("AccessibleReading", "%1: %2",
                                       "a display's name, then what it shows")
        .arg(strName, strReading);
}
