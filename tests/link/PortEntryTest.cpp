#include "PortEntry.h"
#include "LinkTestSupport.h"
#include "PortTable.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

TEST(PortEntry, ListSplitsOnColonsAndKeepsEachTcpEntryWhole)
{
    const struct
    {
        const char* pszList;
        QStringList entries;
    } cases[] = {
        {"", {}},
        {"/dev/ttyUSB0:/dev/pts/3", {"/dev/ttyUSB0", "/dev/pts/3"}},
        {"tcp:10.0.0.7:4001", {"tcp:10.0.0.7:4001"}},
        {"/dev/ttyS1:tcp:site-a.example:4001:/tmp/vport",
         {"/dev/ttyS1", "tcp:site-a.example:4001", "/tmp/vport"}},
        {"tcp:[::1]:4001:tcp:[fe80::1%eth0]:2000", {"tcp:[::1]:4001", "tcp:[fe80::1%eth0]:2000"}},
        {"TCP:host:7::/dev/x", {"TCP:host:7", "/dev/x"}},
        // Bad entries stay entries, so the numbers of the ones after them hold.
        {"tcp:host:/dev/ttyS0", {"tcp:host", "/dev/ttyS0"}},
        {"tcp:127.0.0.1:tcp:127.0.0.1:4001", {"tcp:127.0.0.1", "tcp:127.0.0.1:4001"}},
        {"tcp:host:4001x:/dev/x", {"tcp:host:4001x", "/dev/x"}},
        {"tcp:host", {"tcp:host"}},
        {"tcp:[::1:4001:/dev/x", {"tcp:[::1:4001:/dev/x"}},
        {"tcp::4001:/dev/x", {"tcp::4001", "/dev/x"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CPortEntry::SplitList(QString::fromLatin1(c.pszList)), c.entries) << c.pszList;
}

TEST(PortEntry, TcpEntriesGiveHostAndPortOrSayWhyNot)
{
    const struct
    {
        const char* pszText;
        const char* pszHost; // nullptr: the entry is not valid
        int nPort;
        const char* pszShown; // the display name, or a part of the reason it is not valid
    } cases[] = {
        {"tcp:127.0.0.1:4001", "127.0.0.1", 4001, "127.0.0.1:4001"},
        {"tcp:site-a.example:1", "site-a.example", 1, "site-a.example:1"},
        {"tcp:[::1]:65535", "::1", 65535, "[::1]:65535"},
        {"Tcp:host:02000", "host", 2000, "host:2000"},
        {"tcp:host", nullptr, 0, "no port"},
        {"tcp:host:", nullptr, 0, "no port"},
        {"tcp:[::1]", nullptr, 0, "no port"},
        {"tcp::4001", nullptr, 0, "no host"},
        {"tcp:", nullptr, 0, "no host"},
        {"tcp:host:0", nullptr, 0, "not a number from 1 to 65535"},
        {"tcp:host:65536", nullptr, 0, "not a number from 1 to 65535"},
        {"tcp:host:4001x", nullptr, 0, "not a number from 1 to 65535"},
        {"tcp:host:-1", nullptr, 0, "not a number from 1 to 65535"},
        {"tcp:host:/dev/ttyS0", nullptr, 0, "not a number from 1 to 65535"},
        {"tcp:::1:4001", nullptr, 0, "IPv6 address goes in brackets"},
        {"tcp:[::1:4001", nullptr, 0, "no closing bracket"},
        {"tcp:[host]:4001", nullptr, 0, "not an IPv6 address"},
        {"tcp:[::1]x:4001", nullptr, 0, "unexpected"},
    };
    for (const auto& c : cases) {
        const CPortEntry entry(QString::fromLatin1(c.pszText));
        SCOPED_TRACE(c.pszText);
        EXPECT_TRUE(entry.IsTcp());
        if (c.pszHost) {
            EXPECT_TRUE(entry.IsValid()) << entry.ErrorString().toStdString();
            EXPECT_EQ(entry.Host(), QString::fromLatin1(c.pszHost));
            EXPECT_EQ(entry.TcpPort(), c.nPort);
            EXPECT_EQ(entry.DisplayName(), QString::fromLatin1(c.pszShown));
        } else {
            EXPECT_FALSE(entry.IsValid());
            EXPECT_TRUE(entry.ErrorString().contains(QLatin1String(c.pszShown)))
                << entry.ErrorString().toStdString();
        }
    }
}

TEST(PortEntry, DevicePathsAreSerialEntries)
{
    for (const char* pszPath : {"/dev/ttyUSB0", "/tmp/tcp:x", "COM3", "tcpport"}) {
        const CPortEntry entry(QString::fromLatin1(pszPath));
        EXPECT_FALSE(entry.IsTcp()) << pszPath;
        EXPECT_TRUE(entry.IsValid()) << pszPath;
    }
}

TEST(PortEntry, TheTableNumbersTcpEntriesLikeDevices)
{
    CPortsEnvGuard env;
    env.Set("/dev/pts/7:tcp:[::1]:4001:tcp:host:0:/dev/ttyUSB3");
    EXPECT_EQ(CPortTable::Count(), 4);
    EXPECT_EQ(CPortTable::DevicePath(2), QStringLiteral("tcp:[::1]:4001"));
    EXPECT_EQ(CPortTable::DisplayName(2), QStringLiteral("[::1]:4001"));
    EXPECT_EQ(CPortTable::DevicePath(3), QStringLiteral("tcp:host:0"));
    EXPECT_EQ(CPortTable::DisplayName(4), QStringLiteral("ttyUSB3"));
}

} // namespace
