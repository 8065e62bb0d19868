#include "WaitUntil.h"
#include "XcbReply.h"

#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// An X server of its own on a free display, with openbox managing its windows, for one test.
class CManagedDisplay
{
public:
    ~CManagedDisplay()
    {
        if (m_pConnection)
            xcb_disconnect(m_pConnection);
        for (QProcess* pProcess : {&m_wm, &m_server}) {
            pProcess->terminate();
            if (!pProcess->waitForFinished(3000))
                pProcess->kill();
            pProcess->waitForFinished(3000);
        }
    }

    // Starts the server and the window manager and connects to the display; false with a reason.
    bool Start(const QString& strXvfb, const QString& strOpenbox, std::string& strWhy)
    {
        // The server writes the number of the display it chose to its standard output.
        m_server.start(strXvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                 QStringLiteral("-screen"), QStringLiteral("0"),
                                 QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                 QStringLiteral("tcp")});
        if (!WaitUntil([&] { return m_server.canReadLine(); }, 10000)) {
            strWhy = "Xvfb did not start";
            return false;
        }
        m_strDisplay = QStringLiteral(":") + QString::fromLatin1(m_server.readLine()).trimmed();
        m_pConnection = xcb_connect(qPrintable(m_strDisplay), nullptr);
        if (xcb_connection_has_error(m_pConnection)) {
            strWhy = "cannot connect to Xvfb";
            return false;
        }
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_pConnection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_pConnection, m_root, XCB_CW_EVENT_MASK, &mask);

        // openbox keeps its settings and cache under the temporary home, not the machine's.
        m_wm.setProcessEnvironment(Environment());
        m_wm.start(strOpenbox, {QStringLiteral("--sm-disable")});
        const xcb_atom_t check = XcbAtom(m_pConnection, "_NET_SUPPORTING_WM_CHECK");
        if (!WaitUntil(
                [&] {
                    return XcbProperty(m_pConnection, m_root, check, XCB_ATOM_WINDOW, 1) != nullptr;
                },
                10000)) {
            strWhy = "openbox did not start";
            return false;
        }
        return true;
    }

    // What a program started on this display gets: the display, a temporary home, no ports.
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        for (const char* pszKept : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (qEnvironmentVariableIsSet(pszKept))
                env.insert(QLatin1String(pszKept), qEnvironmentVariable(pszKept));
        // libxkbcommon-x11, which Qt's X11 platform loads, calls strndup with a length beyond the
        // end of a string: strndup allows it, strict string checks report it.
        if (env.contains(QStringLiteral("ASAN_OPTIONS")))
            env.insert(QStringLiteral("ASAN_OPTIONS"),
                       env.value(QStringLiteral("ASAN_OPTIONS")) +
                           QStringLiteral(":strict_string_checks=0"));
        env.insert(QStringLiteral("DISPLAY"), m_strDisplay);
        env.insert(QStringLiteral("HOME"), m_dirHome.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dirHome.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dirHome.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dirHome.path());
        env.insert(QStringLiteral("CORVEX_PORTS"), QString());
        return env;
    }

    // The first top-level window that the window manager maps with a client named strTitle
    // inside, as soon as it is mapped: its outer rectangle then. Null after nTimeoutMs.
    QRect FirstMappedFrame(const char* pszTitle, int nTimeoutMs)
    {
        QRect rcFrame;
        WaitUntil(
            [&] {
                while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_pConnection)}) {
                    if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY)
                        continue;
                    const auto* pMap = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
                    if (pMap->event == m_root && HoldsClient(pMap->window, pszTitle)) {
                        rcFrame = Geometry(pMap->window);
                        return true;
                    }
                }
                return false;
            },
            nTimeoutMs, false);
        return rcFrame;
    }

    // The outer rectangle of the top-level window holding the client named pszTitle, now.
    QRect FrameNow(const char* pszTitle)
    {
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_pConnection, xcb_query_tree(m_pConnection, m_root), nullptr));
        if (!tree)
            return QRect();
        const xcb_window_t* pChildren = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            if (HoldsClient(pChildren[i], pszTitle))
                return Geometry(pChildren[i]);
        return QRect();
    }

private:
    QString Name(xcb_window_t window)
    {
        const auto reply =
            XcbProperty(m_pConnection, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 256);
        if (!reply)
            return QString();
        return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                 xcb_get_property_value_length(reply.get()));
    }

    bool HoldsClient(xcb_window_t frame, const char* pszTitle)
    {
        XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_pConnection, xcb_query_tree(m_pConnection, frame), nullptr));
        if (!tree)
            return false;
        const xcb_window_t* pChildren = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            if (Name(pChildren[i]) == QLatin1String(pszTitle))
                return true;
        return false;
    }

    QRect Geometry(xcb_window_t window)
    {
        XcbReply<xcb_get_geometry_reply_t> reply(xcb_get_geometry_reply(
            m_pConnection, xcb_get_geometry(m_pConnection, window), nullptr));
        if (!reply)
            return QRect();
        return QRect(reply->x, reply->y, reply->width + 2 * reply->border_width,
                     reply->height + 2 * reply->border_width);
    }

    QProcess m_server;
    QProcess m_wm;
    QTemporaryDir m_dirHome;
    QString m_strDisplay;
    xcb_connection_t* m_pConnection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
};

} // namespace

// Under a window manager that frames its windows, the compact window measures 236 x 139 outside
// from the moment it first appears, as it does after a Disconnect.
TEST(WindowManagerTest, CompactWindowHasItsOuterSizeWhenFirstShown)
{
    const QString strXvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString strOpenbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (strXvfb.isEmpty() || strOpenbox.isEmpty())
        GTEST_SKIP() << "needs Xvfb and openbox (scripts/install-deps installs them)";
    CManagedDisplay display;
    std::string strWhy;
    ASSERT_TRUE(display.Start(strXvfb, strOpenbox, strWhy)) << strWhy;

    QProcess panel;
    panel.setProcessEnvironment(display.Environment());
    panel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    panel.start(QStringLiteral(CORVEX_CONTROL_PATH), QStringList());
    ASSERT_TRUE(panel.waitForStarted(5000));
    const QRect rcFirst = display.FirstMappedFrame("Corvex Control", 20000);
    EXPECT_EQ(rcFirst.size(), QSize(236, 139));
    // And it stays so once the window manager and the panel have settled.
    WaitUntil([] { return false; }, 500, false);
    EXPECT_EQ(display.FrameNow("Corvex Control"), rcFirst);
    panel.terminate();
    if (!panel.waitForFinished(5000))
        panel.kill();
}
