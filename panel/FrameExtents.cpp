#include "FrameExtents.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A window manager answers at once; this bounds the wait for one that advertises the request
// but never answers it.
constexpr int kAnswerTimeoutMs = 500;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

Reply<xcb_get_property_reply_t> GetProperty(xcb_connection_t* pConnection, xcb_window_t window,
                                            xcb_atom_t property, xcb_atom_t type, uint32_t nLength)
{
    return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(
        pConnection, xcb_get_property(pConnection, 0, window, property, type, 0, nLength),
        nullptr));
}

// The 32-bit values of a property, or none when it is missing or of another kind.
template <typename T>
std::pair<const T*, int> Values(const Reply<xcb_get_property_reply_t>& reply, xcb_atom_t type)
{
    if (!reply || reply->type != type || reply->format != 32)
        return {nullptr, 0};
    return {static_cast<const T*>(xcb_get_property_value(reply.get())),
            xcb_get_property_value_length(reply.get()) / 4};
}

} // namespace

QMargins CFrameExtents::Request(QWidget* pWindow)
{
    auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!pX11 || !pWindow->isWindow())
        return QMargins();
    xcb_connection_t* pConnection = pX11->connection();
    const auto window = static_cast<xcb_window_t>(pWindow->winId());

    enum
    {
        Supported,
        SupportingWmCheck,
        RequestFrameExtents,
        FrameExtents,
        AtomCount
    };
    const char* const names[AtomCount] = {"_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK",
                                          "_NET_REQUEST_FRAME_EXTENTS", "_NET_FRAME_EXTENTS"};
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(pConnection, 0, uint16_t(strlen(names[i])), names[i]);
    std::array<xcb_atom_t, AtomCount> atoms{};
    for (int i = 0; i < AtomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(pConnection, cookies[i], nullptr));
        if (!reply)
            return QMargins();
        atoms[i] = reply->atom;
    }
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(pConnection, xcb_query_tree(pConnection, window), nullptr));
    if (!tree)
        return QMargins();
    const xcb_window_t root = tree->root;

    // A window manager runs when the window named on the root names itself (a stale name may be
    // left by one that has ended) and it lists the request among what it supports.
    const auto check = GetProperty(pConnection, root, atoms[SupportingWmCheck], XCB_ATOM_WINDOW, 1);
    const auto [pWm, nWm] = Values<xcb_window_t>(check, XCB_ATOM_WINDOW);
    if (nWm != 1)
        return QMargins();
    const auto self = GetProperty(pConnection, *pWm, atoms[SupportingWmCheck], XCB_ATOM_WINDOW, 1);
    const auto [pSelf, nSelf] = Values<xcb_window_t>(self, XCB_ATOM_WINDOW);
    if (nSelf != 1 || *pSelf != *pWm)
        return QMargins();
    const auto supported = GetProperty(pConnection, root, atoms[Supported], XCB_ATOM_ATOM, 4096);
    const auto [pAtoms, nAtoms] = Values<xcb_atom_t>(supported, XCB_ATOM_ATOM);
    if (std::find(pAtoms, pAtoms + nAtoms, atoms[RequestFrameExtents]) == pAtoms + nAtoms)
        return QMargins();

    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = window;
    request.type = atoms[RequestFrameExtents];
    xcb_send_event(pConnection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(pConnection);

    const QDeadlineTimer deadline(kAnswerTimeoutMs);
    do {
        const auto extents =
            GetProperty(pConnection, window, atoms[FrameExtents], XCB_ATOM_CARDINAL, 4);
        const auto [pExtents, nExtents] = Values<uint32_t>(extents, XCB_ATOM_CARDINAL);
        if (nExtents == 4) // left, right, top, bottom
            return QMargins(int(pExtents[0]), int(pExtents[2]), int(pExtents[1]), int(pExtents[3]));
        QThread::msleep(1);
    } while (!deadline.hasExpired());
    return QMargins();
}
