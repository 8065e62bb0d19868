#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

// The window system the panel runs on, chosen before Qt starts so that a missing display ends
// the program with one line instead of Qt's abort. Where the user has not chosen a platform
// (QT_QPA_PLATFORM) and X11 is offered (DISPLAY, also through XWayland on a Wayland session),
// the panel runs on X11, where a program may place its own window: the window grows and
// shrinks about its centre there. On a Wayland-only session the compositor places it.
struct CPlatformChoice
{
    QString strPlatform;  // the platform to start Qt with; empty: the user's QT_QPA_PLATFORM
    bool bNeedsX = false; // the platform is X11: DISPLAY must accept a connection
    QString strError;     // not empty: there is nothing to run on, and why

    // Decides from the environment alone.
    static CPlatformChoice Choose(const QProcessEnvironment& env);
    // True when an X server accepts a connection on strDisplay (":0", "host:1.0").
    static bool CanConnectToX(const QByteArray& strDisplay);
};
