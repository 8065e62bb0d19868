// The accessibility tests' own start: the panel runs on a desktop where assistive technology
// listens (CAccessibleDesktop), so that QAccessible is active as it is for a screen reader's user.

#include "AccessibilityMain.h"
#include "AccessibleDesktop.h"
#include "WaitUntil.h"

#include <QAccessible>
#include <QApplication>

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

namespace {

QString g_strUnavailable;

} // namespace

const QString& AccessibilityUnavailable()
{
    return g_strUnavailable;
}

int main(int argc, char** argv)
{
    // libxkbcommon-x11, which Qt's X11 platform loads, calls strndup with a length beyond the end
    // of a string: strndup allows it, strict string checks report it. Under the sanitizers the
    // run starts over once without them.
    const QByteArray asan = qgetenv("ASAN_OPTIONS");
    if (asan.contains("strict_string_checks=1") && !asan.contains("strict_string_checks=0")) {
        qputenv("ASAN_OPTIONS", asan + ":strict_string_checks=0");
        execv("/proc/self/exe", argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    CAccessibleDesktop desktop;
    QString strWhy;
    if (desktop.Start(strWhy)) {
        for (const auto& [strName, strValue] : desktop.Environment())
            qputenv(strName.toLocal8Bit().constData(), strValue.toLocal8Bit());
    } else {
        g_strUnavailable = strWhy;
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (g_strUnavailable.isEmpty() && !WaitUntil([] { return QAccessible::isActive(); }, 15000))
        g_strUnavailable = QStringLiteral("Qt did not turn accessibility on");
    return RUN_ALL_TESTS();
}
