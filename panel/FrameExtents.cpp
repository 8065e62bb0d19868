#include "FrameExtents.h"

#include "XcbReply.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace {

// A window manager answers at once; this bounds the wait for one that advertises the request
// but never answers it.
constexpr int kAnswerTimeoutMs = 500;

// The 32-bit values of a property of the given type, or none.
template <typename T>
std::pair<const T*, int> Values(const XcbReply<xcb_get_property_reply_t>& reply, xcb_atom_t type)
{
    if (!reply || reply->type != type || reply->format != 32)
        return {nullptr, 0};
    return {static_cast<const T*>(xcb_get_property_value(reply.get())),
            xcb_get_property_value_length(reply.get()) / 4};
}

} // namespace

QMargins CFrameExtents::Request(QWidget* pWindow)
{
    // Other platforms may offer the interface without a connection (offscreen does).
    auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* pConnection = pX11 ? pX11->connection() : nullptr;
    if (!pConnection || !pWindow->isWindow())
        return QMargins();
    const auto window = static_cast<xcb_window_t>(pWindow->winId());

    const xcb_atom_t atomSupported = XcbAtom(pConnection, "_NET_SUPPORTED");
    const xcb_atom_t atomWmCheck = XcbAtom(pConnection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t atomRequest = XcbAtom(pConnection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t atomExtents = XcbAtom(pConnection, "_NET_FRAME_EXTENTS");
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(pConnection, xcb_query_tree(pConnection, window), nullptr));
    if (!tree)
        return QMargins();
    const xcb_window_t root = tree->root;

    // A window manager runs when the window named on the root names itself (a stale name may be
    // left by one that has ended) and it lists the request among what it supports.
    const auto check = XcbProperty(pConnection, root, atomWmCheck, XCB_ATOM_WINDOW, 1);
    const auto [pWm, nWm] = Values<xcb_window_t>(check, XCB_ATOM_WINDOW);
    if (nWm != 1)
        return QMargins();
    const auto self = XcbProperty(pConnection, *pWm, atomWmCheck, XCB_ATOM_WINDOW, 1);
    const auto [pSelf, nSelf] = Values<xcb_window_t>(self, XCB_ATOM_WINDOW);
    if (nSelf != 1 || *pSelf != *pWm)
        return QMargins();
    const auto supported = XcbProperty(pConnection, root, atomSupported, XCB_ATOM_ATOM, 4096);
    const auto [pAtoms, nAtoms] = Values<xcb_atom_t>(supported, XCB_ATOM_ATOM);
    if (std::find(pAtoms, pAtoms + nAtoms, atomRequest) == pAtoms + nAtoms)
        return QMargins();

    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atomRequest;
    xcb_send_event(pConnection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(pConnection);

    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    do {
        const auto extents = XcbProperty(pConnection, window, atomExtents, XCB_ATOM_CARDINAL, 4);
        const auto [pExtents, nExtents] = Values<uint32_t>(extents, XCB_ATOM_CARDINAL);
        if (nExtents == 4) // left, right, top, bottom
            return QMargins(int(pExtents[0]), int(pExtents[2]), int(pExtents[1]), int(pExtents[3]));
        QThread::msleep(1);
    } while (!deadline.hasExpired());
    return QMargins();
}
