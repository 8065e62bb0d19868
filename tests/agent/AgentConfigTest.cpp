#include "AgentConfig.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr char kToken[] = "s3cret-t0ken-for-tests";

class AgentConfigTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Write(const QByteArray& text)
    {
        const QString strPath = m_dir.filePath(QStringLiteral("agent.conf"));
        QFile file(strPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        return strPath;
    }

    QTemporaryDir m_dir;
};

TEST_F(AgentConfigTest, ReadsEveryKeyAndKeepsTheOrderOfTheUnits)
{
    const QString strPath = Write("# site agent\n"
                                  "[agent]\n"
                                  "http = 0.0.0.0:9100   # all interfaces\n"
                                  "token = \"s3cret-t0ken-for-tests\"\n"
                                  "commands = yes\n"
                                  "events = /var/lib/corvex-agent/events.db\n"
                                  "events_max_days = 30\n"
                                  "events_max_count = 5000\n"
                                  "[snmp]\n"
                                  "agentx = tcp:127.0.0.1:705\n"
                                  "\n"
                                  "[tx-b]\n"
                                  "port = \"/dev/ttyUSB1\" ; the exciter\n"
                                  "poll_ms = 200\n"
                                  "miss_limit = 10\n"
                                  "share = [::1]:7001\n"
                                  "share_commands = true\n"
                                  "; the amplifier\n"
                                  "[pa.a]   # second\n"
                                  "port = tcp:serial-box.example:4001\n");
    AgentConfig config;
    QStringList errors;
    ASSERT_TRUE(AgentConfig::Load(strPath, config, errors)) << errors.join('\n').toStdString();
    EXPECT_EQ(config.http.ToString(), QStringLiteral("0.0.0.0:9100"));
    EXPECT_EQ(config.strToken, QLatin1String(kToken));
    EXPECT_TRUE(config.bCommands);
    EXPECT_EQ(config.strEventsPath, QStringLiteral("/var/lib/corvex-agent/events.db"));
    EXPECT_EQ(config.nEventsMaxDays, 30);
    EXPECT_EQ(config.nEventsMaxCount, 5000);
    EXPECT_EQ(config.strAgentX, QStringLiteral("tcp:127.0.0.1:705"));
    ASSERT_EQ(config.units.size(), 2u);
    const UnitConfig& b = config.units[0];
    EXPECT_EQ(b.strName, QStringLiteral("tx-b"));
    EXPECT_EQ(b.strPort, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(b.nPollMs, 200);
    EXPECT_EQ(b.nMissLimit, 10);
    EXPECT_EQ(b.share.ToString(), QStringLiteral("[::1]:7001"));
    EXPECT_TRUE(b.bShareCommands);
    const UnitConfig& a = config.units[1];
    EXPECT_EQ(a.strName, QStringLiteral("pa.a"));
    EXPECT_EQ(a.strPort, QStringLiteral("tcp:serial-box.example:4001"));
    EXPECT_EQ(config.FindUnit(QStringLiteral("pa.a")), &a);
    EXPECT_EQ(config.FindUnit(QStringLiteral("tx")), nullptr);
}

TEST_F(AgentConfigTest, DefaultsAreSafe)
{
    AgentConfig config;
    QStringList errors;
    ASSERT_TRUE(AgentConfig::Load(Write("[tx1]\nport = /dev/ttyS4\n"), config, errors));
    EXPECT_EQ(config.http.ToString(), QStringLiteral("127.0.0.1:8470"));
    EXPECT_FALSE(config.bCommands);
    EXPECT_TRUE(config.strToken.isEmpty());
    EXPECT_TRUE(config.strEventsPath.isEmpty());
    EXPECT_EQ(config.nEventsMaxDays, 90);
    EXPECT_EQ(config.nEventsMaxCount, 100000);
    ASSERT_EQ(config.units.size(), 1u);
    EXPECT_EQ(config.units[0].nPollMs, 100);
    EXPECT_EQ(config.units[0].nMissLimit, 29);
    EXPECT_FALSE(config.units[0].share.IsSet());
    EXPECT_FALSE(config.units[0].bShareCommands);
    EXPECT_TRUE(config.strAgentX.isEmpty());

    // An [snmp] section without an address is no unit, and SNMP stays off.
    ASSERT_TRUE(
        AgentConfig::Load(Write("[snmp]\nagentx =\n[tx1]\nport = /dev/ttyS4\n"), config, errors));
    EXPECT_TRUE(config.strAgentX.isEmpty());
    EXPECT_EQ(config.units.size(), 1u);
}

// Each bad file is refused with a message that names the file, the line and what is wrong.
TEST_F(AgentConfigTest, ErrorsNameTheFileTheLineAndTheKey)
{
    const struct
    {
        const char* pszText;
        int nLine;
        const char* pszMessage;
    } cases[] = {
        {"[tx1]\nport = /dev/ttyS4\npol_ms = 100\n", 3, "[tx1] unknown key 'pol_ms'"},
        {"[agent]\nhttp = 127.0.0.1:8470\nlisten = 1\n", 3, "[agent] unknown key 'listen'"},
        {"port = /dev/ttyS4\n", 1, "before any [section]"},
        {"[tx1\nport = /dev/ttyS4\n", 1, "ends with ']'"},
        {"[tx1]\nport /dev/ttyS4\n", 2, "expected 'key = value'"},
        {"[tx1]\nport = /dev/ttyS4\n[tx1]\nport = /dev/ttyS5\n", 3, "section [tx1] appears again"},
        {"[tx1]\nport = /dev/ttyS4\nport = /dev/ttyS5\n", 3, "port appears again"},
        {"[tx1]\npoll_ms = 100\n", 1, "[tx1] has no port"},
        {"[tx1]\nport = ttyS4\n", 2, "neither a device path nor tcp:HOST:PORT"},
        {"[tx1]\nport = tcp:box\n", 2, "'tcp:box': no port; write tcp:HOST:PORT"},
        {"[tx1]\nport = tcp:::1:4001\n", 2, "an IPv6 address goes in brackets"},
        {"[tx1]\nport = /dev/ttyS4\npoll_ms = 10\n", 3, "poll_ms 10 is out of range 50..60000"},
        {"[tx1]\nport = /dev/ttyS4\nmiss_limit = many\n", 3, "'many' is not a whole number"},
        {"[tx1]\nport = /dev/ttyS4\nshare_commands = maybe\n", 3, "'maybe' is not true or false"},
        {"[tx1]\nport = /dev/ttyS4\nshare = 7001\n", 3, "'7001' is not HOST:PORT"},
        {"[tx1]\nport = /dev/ttyS4\nshare = example.org:7001\n", 3, "is not HOST:PORT"},
        {"[tx1]\nport = /dev/ttyS4\nshare = 127.0.0.1:70000\n", 3, "is not HOST:PORT"},
        {"[tx 1]\nport = /dev/ttyS4\n", 1, "[tx 1] is not a unit name"},
        {"[agent]\nevents = events.db\n", 2, "'events.db' is not an absolute path"},
        {"[agent]\nevents_max_days = -1\n", 2, "events_max_days -1 is out of range"},
        {"[agent]\ncommands = true\n", 2, "commands = true needs a token"},
        {"[agent]\ntoken = short\n", 2, "token is shorter than 16 characters"},
        {"[snmp]\nagentx = udp:127.0.0.1:705\n", 2,
         "[snmp] agentx 'udp:127.0.0.1:705' is neither a socket path"},
        {"[snmp]\nport = /dev/ttyS4\n", 2, "[snmp] unknown key 'port' (known: agentx)"},
        {"[agent]\nhttp = 127.0.0.1:7001\n[tx1]\nport = /dev/ttyS4\nshare = 127.0.0.1:7001\n", 5,
         "[tx1] share 127.0.0.1:7001 collides with [agent] http 127.0.0.1:7001 (line 2)"},
        {"[tx1]\nport = /dev/ttyS4\nshare = 0.0.0.0:7001\n[tx2]\nport = /dev/ttyS5\n"
         "share = 127.0.0.1:7001\n",
         6, "[tx2] share 127.0.0.1:7001 collides with [tx1] share 0.0.0.0:7001 (line 3)"},
        {"[tx1]\nport = /dev/ttyS4\nshare = 127.0.0.1:8470\n", 3,
         "collides with [agent] http 127.0.0.1:8470 (the default)"},
        {"[tx1]\nport = /dev/ttyS4\n[tx2]\nport = /dev/../dev/ttyS4\n", 4,
         "[tx2] port is already the port of [tx1] (line 2)"},
        {"[tx1]\nport = tcp:Box:4001\n[tx2]\nport = tcp:box:4001\n", 4,
         "[tx2] port is already the port of [tx1]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszText);
        const QString strPath = Write(c.pszText);
        AgentConfig config;
        QStringList errors;
        EXPECT_FALSE(AgentConfig::Load(strPath, config, errors));
        ASSERT_FALSE(errors.isEmpty());
        const QString strExpected = QStringLiteral("%1:%2: ").arg(strPath).arg(c.nLine);
        EXPECT_TRUE(errors.first().startsWith(strExpected)) << errors.first().toStdString();
        EXPECT_TRUE(errors.first().contains(QLatin1String(c.pszMessage)))
            << errors.first().toStdString();
    }
}

TEST_F(AgentConfigTest, EveryProblemIsReportedNotOnlyTheFirst)
{
    AgentConfig config;
    QStringList errors;
    EXPECT_FALSE(AgentConfig::Load(
        Write("[tx1]\nport = /dev/ttyS4\nspeed = 9600\n[tx2]\npoll_ms = 5\n"), config, errors));
    ASSERT_EQ(errors.size(), 3) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].contains(QLatin1String(":3: [tx1] unknown key 'speed'")));
    EXPECT_TRUE(errors[1].contains(QLatin1String(":5: [tx2] poll_ms")));
    EXPECT_TRUE(errors[2].contains(QLatin1String(":4: [tx2] has no port")));
}

TEST_F(AgentConfigTest, AFileThatCannotBeReadIsNamed)
{
    AgentConfig config;
    QStringList errors;
    const QString strPath = m_dir.filePath(QStringLiteral("missing.conf"));
    EXPECT_FALSE(AgentConfig::Load(strPath, config, errors));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(strPath + QStringLiteral(": cannot read")))
        << errors[0].toStdString();
}

TEST_F(AgentConfigTest, TheTokenNeverAppearsInAMessage)
{
    for (const QByteArray& line : {QByteArray("token = bad token with spaces"),
                                   QByteArray("token = shorttok"), QByteArray("token shorttok")}) {
        AgentConfig config;
        QStringList errors;
        EXPECT_FALSE(AgentConfig::Load(Write("[agent]\n" + line + "\n"), config, errors));
        ASSERT_FALSE(errors.isEmpty());
        EXPECT_FALSE(errors.join('\n').contains(QLatin1String("shorttok"))) << line.constData();
        EXPECT_FALSE(errors.join('\n').contains(QLatin1String("spaces"))) << line.constData();
    }
}

TEST(ListenAddressTest, ParsesAddressesAndKnowsWhichCollide)
{
    const struct
    {
        const char* pszText;
        bool bValid;
        const char* pszCanonical;
    } cases[] = {
        {"127.0.0.1:8470", true, "127.0.0.1:8470"},
        {"localhost:80", true, "127.0.0.1:80"},
        {"[::1]:0", true, "[::1]:0"},
        {"0.0.0.0:65535", true, "0.0.0.0:65535"},
        {"::1:80", false, ""},
        {"[127.0.0.1]:80", false, ""},
        {"127.0.0.1", false, ""},
        {"127.0.0.1:", false, ""},
        {"127.0.0.1:+80", false, ""},
        {":80", false, ""},
        {"host.example:80", false, ""},
        {"127.0.0.1:65536", false, ""},
    };
    for (const auto& c : cases) {
        ListenAddress address;
        QString strError;
        EXPECT_EQ(ListenAddress::Parse(QLatin1String(c.pszText), address, strError), c.bValid)
            << c.pszText;
        if (c.bValid)
            EXPECT_EQ(address.ToString(), QLatin1String(c.pszCanonical));
        else
            EXPECT_TRUE(strError.contains(QLatin1String(c.pszText))) << strError.toStdString();
    }

    const auto parse = [](const char* pszText) {
        ListenAddress address;
        QString strError;
        ListenAddress::Parse(QLatin1String(pszText), address, strError);
        return address;
    };
    EXPECT_TRUE(parse("127.0.0.1:80").Overlaps(parse("127.0.0.1:80")));
    EXPECT_TRUE(parse("0.0.0.0:80").Overlaps(parse("127.0.0.1:80")));
    EXPECT_TRUE(parse("127.0.0.1:80").Overlaps(parse("[::]:80")));
    EXPECT_FALSE(parse("127.0.0.1:80").Overlaps(parse("127.0.0.2:80")));
    EXPECT_FALSE(parse("127.0.0.1:80").Overlaps(parse("127.0.0.1:81")));
    EXPECT_FALSE(parse("127.0.0.1:0").Overlaps(parse("127.0.0.1:0")));
}

} // namespace

namespace {

TEST(AgentConfigExampleTest, TheShippedExampleIsValidAndSafe)
{
    AgentConfig config;
    QStringList errors;
    ASSERT_TRUE(AgentConfig::Load(QStringLiteral(CORVEX_AGENT_EXAMPLE), config, errors))
        << errors.join('\n').toStdString();
    EXPECT_EQ(config.http.ToString(), QStringLiteral("127.0.0.1:8470"));
    EXPECT_FALSE(config.bCommands);
    EXPECT_EQ(config.strEventsPath, QStringLiteral("/var/lib/corvex-agent/events.db"));
    ASSERT_EQ(config.units.size(), 1u);
    EXPECT_FALSE(config.units[0].share.IsSet());
    EXPECT_TRUE(config.strAgentX.isEmpty());
}

// The [snmp] lines of the example, once the operator takes away their '#', are valid.
TEST(AgentConfigExampleTest, TheExamplesSnmpSectionIsValidOnceUncommented)
{
    QFile example(QStringLiteral(CORVEX_AGENT_EXAMPLE));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    QString strText = QString::fromUtf8(example.readAll());
    strText.replace(QStringLiteral("# [snmp]\n# agentx"), QStringLiteral("[snmp]\nagentx"));
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("agent.conf"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(strText.toUtf8());
    file.close();
    AgentConfig config;
    QStringList errors;
    ASSERT_TRUE(AgentConfig::Load(strPath, config, errors)) << errors.join('\n').toStdString();
    EXPECT_EQ(config.strAgentX, QStringLiteral("/var/agentx/master"));
}

} // namespace
