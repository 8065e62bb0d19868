#include "PortTable.h"
#include "LinkTestSupport.h"

#include <QHash>
#include <QSerialPortInfo>
#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PortTable, ListFromTheEnvironmentInItsOwnOrder)
{
    CPortsEnvGuard env;
    env.Set("/dev/pts/7:/tmp/vport:/dev/ttyUSB3::COM4");
    const struct
    {
        int nPort;
        const char* pszPath;
        const char* pszName;
    } cases[] = {
        {-1, "", ""},
        {0, "", ""},
        {1, "/dev/pts/7", "pts/7"},
        {2, "/tmp/vport", "vport"},
        {3, "/dev/ttyUSB3", "ttyUSB3"},
        {4, "COM4", "COM4"},
        {5, "", ""},
    };
    EXPECT_EQ(CPortTable::Count(), 4);
    for (const auto& c : cases) {
        EXPECT_EQ(CPortTable::DevicePath(c.nPort), QString::fromLatin1(c.pszPath)) << c.nPort;
        EXPECT_EQ(CPortTable::DisplayName(c.nPort), QString::fromLatin1(c.pszName)) << c.nPort;
    }
}

TEST(PortTable, EmptyVariableMeansNoPorts)
{
    CPortsEnvGuard env;
    env.Set("");
    EXPECT_EQ(CPortTable::Count(), 0);
    EXPECT_TRUE(CPortTable::DevicePath(1).isEmpty());
    EXPECT_TRUE(CPortTable::DisplayName(1).isEmpty());
}

TEST(PortTable, VariableIsReadAtEveryCall)
{
    CPortsEnvGuard env;
    env.Set("/dev/pts/1");
    EXPECT_EQ(CPortTable::DevicePath(1), QStringLiteral("/dev/pts/1"));
    env.Set("/dev/pts/2:/dev/pts/3");
    EXPECT_EQ(CPortTable::Count(), 2);
    EXPECT_EQ(CPortTable::DevicePath(1), QStringLiteral("/dev/pts/2"));
}

TEST(PortTable, WithoutTheVariableTheSystemPortsSortedByPath)
{
    CPortsEnvGuard env;
    env.Unset();
    QStringList expected;
    QHash<QString, QString> names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        expected.append(info.systemLocation());
        names.insert(info.systemLocation(), info.portName());
    }
    std::sort(expected.begin(), expected.end());

    ASSERT_EQ(CPortTable::Count(), expected.size());
    for (int n = 1; n <= CPortTable::Count(); ++n) {
        const QString path = CPortTable::DevicePath(n);
        EXPECT_EQ(path, expected.at(n - 1));
        EXPECT_EQ(CPortTable::DisplayName(n), names.value(path));
    }
    EXPECT_TRUE(CPortTable::DevicePath(0).isEmpty());
    EXPECT_TRUE(CPortTable::DevicePath(CPortTable::Count() + 1).isEmpty());
    if (expected.isEmpty())
        GTEST_SKIP() << "this machine lists no serial ports; only the empty table was checked";
}

} // namespace
