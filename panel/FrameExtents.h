#pragma once

#include <QMargins>

class QWidget;

// The frame that the window manager will draw around a top-level window, asked for before the
// window is first shown. Until a window manager frames a window, Qt reports no frame at all;
// an X11 window manager that supports _NET_REQUEST_FRAME_EXTENTS tells it beforehand. Elsewhere
// (no X11, no window manager, one without that support) the margins are null.
class CFrameExtents
{
public:
    static QMargins Request(QWidget* pWindow);
};
