#include "AgentFixture.h"
#include "AgentProcess.h"
#include "PrometheusProcess.h"

#include <QProcess>
#include <QUrlQuery>

#include <csignal>

// The agent's /metrics read by the monitoring system's own tools: a real Prometheus server
// scraping it, and promtool's linter.
namespace {

using State = CUnitPoller::State;

class PrometheusTest : public CAgentFixture
{
protected:
    // Two units: tx1 online (forward power 10.1 W, RF fail raised), tx2 whose port never opens.
    void StartUnits()
    {
        ASSERT_TRUE(StartSim("tx1", {"--forward", "101", "--alarms", "0x40"}));
        StartAgent(UnitSection("tx1") + UnitSection("tx2"));
        ASSERT_TRUE(WaitForState("tx1", State::Online));
    }
};

// One instant query through the server's HTTP API: each series' labels and value.
struct Sample
{
    QJsonObject labels;
    QString strValue;
};

std::vector<Sample> Query(CHttpClient& server, const QString& strQuery)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("query"), strQuery);
    const HttpReply reply =
        server.Get(QStringLiteral("/api/v1/query?") + query.toString(QUrl::FullyEncoded));
    std::vector<Sample> samples;
    const QJsonArray results = reply.Json()
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("result"))
                                   .toArray();
    for (const QJsonValue& result : results) {
        const QJsonObject series = result.toObject();
        // "value": [time, "value as text"]
        samples.push_back({series.value(QStringLiteral("metric")).toObject(),
                           series.value(QStringLiteral("value")).toArray().at(1).toString()});
    }
    return samples;
}

TEST_F(PrometheusTest, TheServerHoldsTheAgentsSeries)
{
    if (CPrometheusProcess::Program().isEmpty())
        GTEST_SKIP() << "prometheus is not installed (scripts/install-deps installs it)";
    ASSERT_NO_FATAL_FAILURE(StartUnits());
    CPrometheusProcess prometheus;
    ASSERT_TRUE(prometheus.Start(QStringLiteral("127.0.0.1:%1").arg(Agent().HttpPort())))
        << prometheus.ErrorString().toStdString();
    CHttpClient server(prometheus.Port());

    // The first scrapes come within seconds of the start; a wide margin for a busy machine.
    std::vector<Sample> power;
    ASSERT_TRUE(WaitUntil(
        [&] {
            power = Query(server, QStringLiteral("corvex_forward_power_watts"));
            return !power.empty();
        },
        60000));
    ASSERT_EQ(power.size(), 1u); // tx2 is not online: no reading at all, not a stale one
    EXPECT_EQ(power[0].labels.value("unit").toString(), QStringLiteral("tx1"));
    EXPECT_EQ(power[0].labels.value("job").toString(), QStringLiteral("corvex"));
    EXPECT_EQ(power[0].strValue, QStringLiteral("10.1"));

    // The scrape itself succeeded: Prometheus' parser took the whole exposition.
    const std::vector<Sample> up = Query(server, QStringLiteral("up{job=\"corvex\"}"));
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].strValue, QStringLiteral("1"));

    const struct
    {
        const char* pszQuery;
        const char* pszValue;
    } cases[] = {
        {"corvex_link_up{unit=\"tx1\"}", "1"},
        {"corvex_link_up{unit=\"tx2\"}", "0"},
        {"corvex_rf_fail_alarm{unit=\"tx1\"}", "1"},
        {"corvex_carrier_frequency_hertz{unit=\"tx1\"}", "98500000"},
        {"corvex_peak_deviation_hertz{unit=\"tx1\"}", "60000"},
        {"corvex_unit_info{unit=\"tx1\",model=\"Bexon Transmitter\",code=\"2\"}", "1"},
        {"corvex_frames_total{unit=\"tx2\"}", "0"},
        {"rate(corvex_frames_total{unit=\"tx1\"}[5s]) > 5", nullptr}, // ~10 a second
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszQuery);
        std::vector<Sample> samples;
        WaitUntil(
            [&] {
                samples = Query(server, QLatin1String(c.pszQuery));
                return !samples.empty();
            },
            10000);
        ASSERT_EQ(samples.size(), 1u);
        if (c.pszValue) {
            EXPECT_EQ(samples[0].strValue, QLatin1String(c.pszValue));
        }
    }
}

// promtool's linter knows the naming rules (base units, _total counters, help texts).
TEST_F(PrometheusTest, PromtoolFindsNothingToLint)
{
    const QString strPromtool = CDaemonProcess::FindProgram(QStringLiteral("promtool"));
    if (strPromtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed (the prometheus package has it)";
    ASSERT_NO_FATAL_FAILURE(StartUnits());
    const HttpReply metrics = Http().Get("/metrics");
    ASSERT_EQ(metrics.nStatus, 200);

    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.start(strPromtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    ASSERT_TRUE(promtool.waitForStarted(5000));
    promtool.write(metrics.body);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(30000));
    EXPECT_EQ(promtool.exitCode(), 0);
    EXPECT_EQ(promtool.readAll().toStdString(), "");
}

// The alerting rules the package ships among its examples.
const QString kShippedRules = QStringLiteral(CORVEX_SOURCE_DIR "/agent/corvex-rules.yml");

QByteArray ReadFile(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// promtool reads the shipped file as Prometheus' rule_files: does, and the README shows it whole.
TEST(PrometheusRules, PromtoolAcceptsTheShippedRulesThatTheReadmeShows)
{
    const QString strPromtool = CDaemonProcess::FindProgram(QStringLiteral("promtool"));
    if (strPromtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed (the prometheus package has it)";
    QProcess promtool;
    promtool.setProcessChannelMode(QProcess::MergedChannels);
    promtool.start(strPromtool, {QStringLiteral("check"), QStringLiteral("rules"), kShippedRules});
    ASSERT_TRUE(promtool.waitForFinished(30000));
    const QString strOutput = QString::fromUtf8(promtool.readAll());
    EXPECT_EQ(promtool.exitCode(), 0) << strOutput.toStdString();
    EXPECT_TRUE(strOutput.contains(QLatin1String("SUCCESS: 2 rules found")))
        << strOutput.toStdString();

    const QByteArray rules = ReadFile(kShippedRules);
    ASSERT_FALSE(rules.isEmpty());
    EXPECT_TRUE(ReadFile(QStringLiteral(CORVEX_SOURCE_DIR "/README.md")).contains(rules));
}

class PrometheusAlertTest : public CAgentProcessFixture
{
};

// Prometheus with the shipped rules scrapes the real agent on two simulated units: a unit whose
// simulator stops raises CorvexLinkDown for that unit, and the end of the agent raises
// CorvexAgentDown while the link alert, whose series went stale, clears. The rules wait a
// minute before they fire; the test's copy waits 2 s.
TEST_F(PrometheusAlertTest, TheShippedRulesFireForALostUnitAndForTheAgentItself)
{
    if (CPrometheusProcess::Program().isEmpty())
        GTEST_SKIP() << "prometheus is not installed (scripts/install-deps installs it)";
    ASSERT_TRUE(StartSim("tx1"));
    ASSERT_TRUE(StartSim("tx2"));
    CAgentProcess agent;
    const quint16 nPort = Run(agent, WriteConfig(QStringLiteral("[agent]\nhttp = 127.0.0.1:0\n") +
                                                 UnitSection("tx1") + UnitSection("tx2")));
    ASSERT_NE(nPort, 0) << agent.Stderr().toStdString();
    ASSERT_TRUE(WaitForUnitState("tx1", "online"));
    ASSERT_TRUE(WaitForUnitState("tx2", "online"));

    QString strRules = QString::fromUtf8(ReadFile(kShippedRules));
    ASSERT_EQ(strRules.count(QLatin1String("for: 1m")), 2);
    strRules.replace(QLatin1String("for: 1m"), QLatin1String("for: 2s"));
    CPrometheusProcess prometheus;
    ASSERT_TRUE(prometheus.Start(QStringLiteral("127.0.0.1:%1").arg(nPort),
                                 WriteConfig(strRules, QStringLiteral("rules.yml"))))
        << prometheus.ErrorString().toStdString();
    CHttpClient server(prometheus.Port());
    const auto firing = [&](const char* pszAlert) {
        return Query(
            server, QStringLiteral("ALERTS{alertname=\"%1\",alertstate=\"firing\"}").arg(pszAlert));
    };
    const auto waitFiring = [&](const char* pszAlert) {
        std::vector<Sample> samples;
        WaitUntil(
            [&] {
                samples = firing(pszAlert);
                return !samples.empty();
            },
            60000);
        return samples;
    };

    // The first scrapes come within seconds of the start; wide margins for a busy machine.
    ASSERT_TRUE(WaitUntil(
        [&] { return !Query(server, QStringLiteral("corvex_link_up{unit=\"tx2\"} == 1")).empty(); },
        60000));
    EXPECT_TRUE(Query(server, QStringLiteral("ALERTS")).empty());

    StopSim("tx1");
    const std::vector<Sample> linkDown = waitFiring("CorvexLinkDown");
    ASSERT_EQ(linkDown.size(), 1u);
    EXPECT_EQ(linkDown[0].labels.value("unit").toString(), QStringLiteral("tx1"));
    EXPECT_EQ(linkDown[0].labels.value("severity").toString(), QStringLiteral("critical"));
    EXPECT_TRUE(firing("CorvexAgentDown").empty());

    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitForExit(), 0);
    const std::vector<Sample> agentDown = waitFiring("CorvexAgentDown");
    ASSERT_EQ(agentDown.size(), 1u);
    EXPECT_EQ(agentDown[0].labels.value("instance").toString(),
              QStringLiteral("127.0.0.1:%1").arg(nPort));
    EXPECT_TRUE(WaitUntil([&] { return firing("CorvexLinkDown").empty(); }, 60000));
}

} // namespace
