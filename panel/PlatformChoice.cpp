#include "PlatformChoice.h"

#include <xcb/xcb.h>

CPlatformChoice CPlatformChoice::Choose(const QProcessEnvironment& env)
{
    const QString strChosen = env.value(QStringLiteral("QT_QPA_PLATFORM"));
    const bool bDisplay = !env.value(QStringLiteral("DISPLAY")).isEmpty();
    const bool bWayland = !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
    CPlatformChoice choice;
    if (!strChosen.isEmpty()) {
        // The user's choice stands; only X11 is checked, the one whose absence Qt aborts on.
        choice.bNeedsX = strChosen.startsWith(QLatin1String("xcb"));
        if (choice.bNeedsX && !bDisplay)
            choice.strError =
                QStringLiteral("QT_QPA_PLATFORM is %1 but DISPLAY is not set").arg(strChosen);
    } else if (bDisplay) {
        choice.strPlatform = QStringLiteral("xcb");
        choice.bNeedsX = true;
    } else if (bWayland) {
        choice.strPlatform = QStringLiteral("wayland");
    } else {
        choice.strError = QStringLiteral(
            "no display to show the panel on (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    }
    return choice;
}

bool CPlatformChoice::CanConnectToX(const QByteArray& strDisplay)
{
    xcb_connection_t* pConnection = xcb_connect(strDisplay.constData(), nullptr);
    const bool bConnected = xcb_connection_has_error(pConnection) == 0;
    xcb_disconnect(pConnection);
    return bConnected;
}
