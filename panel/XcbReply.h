#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

// A reply of libxcb, freed with the owner as libxcb wants it (free()).
struct CXcbFree
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, CXcbFree>;

// The atom of a name, or XCB_ATOM_NONE when the server gives none.
inline xcb_atom_t XcbAtom(xcb_connection_t* pConnection, const char* pszName)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        pConnection,
        xcb_intern_atom(pConnection, 0, static_cast<uint16_t>(std::strlen(pszName)), pszName),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Up to nLength 32-bit units of a window's property of the given type (or any type); null when
// the window does not have it.
inline XcbReply<xcb_get_property_reply_t> XcbProperty(xcb_connection_t* pConnection,
                                                      xcb_window_t window, xcb_atom_t property,
                                                      xcb_atom_t type, uint32_t nLength)
{
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        pConnection, xcb_get_property(pConnection, 0, window, property, type, 0, nLength),
        nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return nullptr;
    return reply;
}
