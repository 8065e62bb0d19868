#include "PlatformChoice.h"

#include <gtest/gtest.h>

TEST(PlatformChoiceTest, FollowsTheEnvironment)
{
    const struct
    {
        const char* pszCase;
        const char* pszPlatform; // QT_QPA_PLATFORM; nullptr: unset
        const char* pszDisplay;  // DISPLAY
        const char* pszWayland;  // WAYLAND_DISPLAY
        const char* pszChosen;
        bool bNeedsX;
        bool bError;
    } cases[] = {
        {"X11 session", nullptr, ":0", nullptr, "xcb", true, false},
        {"Wayland session offering XWayland", nullptr, ":0", "wayland-0", "xcb", true, false},
        {"Wayland session without XWayland", nullptr, nullptr, "wayland-0", "wayland", false,
         false},
        {"empty variables count as unset", "", "", "wayland-0", "wayland", false, false},
        {"no display at all", nullptr, nullptr, nullptr, "", false, true},
        {"the user's platform stands", "offscreen", nullptr, nullptr, "", false, false},
        {"the user's Wayland on XWayland", "wayland", ":0", "wayland-0", "", false, false},
        {"the user's X11 needs DISPLAY", "xcb", ":1", nullptr, "", true, false},
        {"the user's X11 without DISPLAY", "xcb", nullptr, "wayland-0", "", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        QProcessEnvironment env;
        const std::pair<const char*, const char*> variables[] = {{"QT_QPA_PLATFORM", c.pszPlatform},
                                                                 {"DISPLAY", c.pszDisplay},
                                                                 {"WAYLAND_DISPLAY", c.pszWayland}};
        for (const auto& [pszName, pszValue] : variables)
            if (pszValue)
                env.insert(QLatin1String(pszName), QLatin1String(pszValue));
        const CPlatformChoice choice = CPlatformChoice::Choose(env);
        EXPECT_EQ(choice.strPlatform, QLatin1String(c.pszChosen));
        EXPECT_EQ(choice.bNeedsX, c.bNeedsX);
        EXPECT_EQ(!choice.strError.isEmpty(), c.bError) << choice.strError.toStdString();
    }
}

TEST(PlatformChoiceTest, NoXServerOnADisplayThatNobodyServes)
{
    EXPECT_FALSE(CPlatformChoice::CanConnectToX(":65000"));
    EXPECT_FALSE(CPlatformChoice::CanConnectToX("not a display"));
}
