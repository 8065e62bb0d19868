#include "AgentFixture.h"
#include "HttpListener.h"

#include <QTcpSocket>

namespace {

using State = CUnitPoller::State;

const QByteArray kToken("7c1f-test-token-0042");

// Every line the agent logs during a test, to look for what must never be there.
QStringList g_logged;

void CollectMessages(QtMsgType, const QMessageLogContext&, const QString& strMessage)
{
    g_logged.append(strMessage);
}

class HttpApiTest : public CAgentFixture
{
protected:
    void SetUp() override
    {
        CAgentFixture::SetUp();
        g_logged.clear();
        m_previousHandler = qInstallMessageHandler(CollectMessages);
    }

    void TearDown() override
    {
        CAgentFixture::TearDown();
        qInstallMessageHandler(m_previousHandler);
    }

    // tx1 a transmitter, arvel a unit without power buttons (code 1), off a unit whose port
    // does not exist; commands on with the token.
    void StartSite()
    {
        ASSERT_TRUE(StartSim("tx1"));
        ASSERT_TRUE(StartSim("arvel", {"--type", "1"}));
        StartAgent(UnitSection("tx1") + UnitSection("arvel") + UnitSection("off"),
                   QStringLiteral("commands = true\ntoken = %1\n").arg(QLatin1String(kToken)));
        ASSERT_TRUE(WaitForState("tx1", State::Online));
        ASSERT_TRUE(WaitForState("arvel", State::Online));
    }

    HttpReply Command(const QString& strUnit, const QByteArray& body,
                      const QByteArray& token = kToken)
    {
        return Http().Post(QStringLiteral("/api/v1/units/%1/commands").arg(strUnit), body, token);
    }

    QtMessageHandler m_previousHandler = nullptr;
};

TEST_F(HttpApiTest, ReadsAnswerFromMemory)
{
    StartSite();
    const HttpReply metrics = Http().Get("/metrics");
    ASSERT_EQ(metrics.nStatus, 200);
    EXPECT_EQ(metrics.contentType, QByteArray("text/plain; version=0.0.4; charset=utf-8"));
    for (const char* pszLine :
         {"corvex_link_up{unit=\"tx1\"} 1", "corvex_link_up{unit=\"off\"} 0",
          "corvex_unit_info{unit=\"tx1\",model=\"Bexon Transmitter\",code=\"2\"} 1",
          "corvex_forward_power_watts{unit=\"tx1\"} 15",
          "corvex_reflected_power_watts{unit=\"tx1\"} 0.3",
          "corvex_pa_temperature_celsius{unit=\"tx1\"} 45",
          "corvex_pa_voltage_volts{unit=\"tx1\"} 28", "corvex_aux_voltage_volts{unit=\"tx1\"} 15",
          "corvex_peak_deviation_hertz{unit=\"tx1\"} 60000",
          "corvex_gain_reduction_decibels{unit=\"tx1\"} 6",
          "corvex_carrier_frequency_hertz{unit=\"tx1\"} 98500000",
          "corvex_pll_locked{unit=\"tx1\"} 1", "corvex_rf_fail_alarm{unit=\"tx1\"} 0",
          "corvex_carrier_muted{unit=\"tx1\"} 0", "corvex_missed_polls_total{unit=\"tx1\"} 0",
          "# TYPE corvex_frames_total counter", "corvex_event_store_up 0"})
        EXPECT_TRUE(metrics.body.contains(pszLine)) << pszLine;
    // A unit without power readings has no power samples; an offline one has no readings.
    EXPECT_FALSE(metrics.body.contains("corvex_forward_power_watts{unit=\"arvel\"}"));
    EXPECT_TRUE(metrics.body.contains("corvex_pa_temperature_celsius{unit=\"arvel\"}"));
    EXPECT_FALSE(metrics.body.contains("corvex_pa_temperature_celsius{unit=\"off\"}"));
    EXPECT_FALSE(metrics.body.contains("corvex_last_frame_age_seconds{unit=\"off\"}"));

    const HttpReply list = Http().Get("/api/v1/units");
    ASSERT_EQ(list.nStatus, 200);
    const QJsonArray units = list.Json().value("units").toArray();
    ASSERT_EQ(units.size(), 3);
    EXPECT_EQ(units[0].toObject().value("name").toString(), QStringLiteral("tx1"));
    EXPECT_EQ(units[2].toObject().value("state").toString(), QStringLiteral("connecting"));
    EXPECT_TRUE(units[2].toObject().value("last_frame_age_s").isNull());
    EXPECT_TRUE(units[2].toObject().value("share").isNull());

    const HttpReply one = Http().Get("/api/v1/units/arvel");
    ASSERT_EQ(one.nStatus, 200);
    EXPECT_EQ(one.contentType, QByteArray("application/json"));
    EXPECT_EQ(one.Json().value("model").toString(), QStringLiteral("Arvel Transmitter"));
    EXPECT_TRUE(one.Json().value("forward_power_w").isNull());
    EXPECT_EQ(one.Json().value("forward_power_text").toString(), QString());

    EXPECT_EQ(Http().Get("/api/v1/units/nobody").nStatus, 404);
    EXPECT_EQ(Http().Get("/api/v1/nothing").nStatus, 404);
    const HttpReply post = Http().Post("/metrics", "{}");
    EXPECT_EQ(post.nStatus, 405);
    EXPECT_EQ(post.Header("Allow"), QByteArray("GET"));
    EXPECT_EQ(Http().Send("DELETE", "/api/v1/units/tx1", "").nStatus, 405);
    EXPECT_EQ(Http().Get("/api/v1/units/tx1/commands").nStatus, 405);
}

TEST_F(HttpApiTest, EventsArePagedBySinceAndLimit)
{
    StartSite();
    ASSERT_TRUE(WaitUntil([&] { return Agent().Events().LastId() >= 2; }));
    const HttpReply all = Http().Get("/api/v1/events");
    ASSERT_EQ(all.nStatus, 200);
    const QJsonArray events = all.Json().value("events").toArray();
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(all.Json().value("last_id").toInt(), 2);
    const QJsonObject first = events[0].toObject();
    EXPECT_EQ(first.value("id").toInt(), 1);
    EXPECT_EQ(first.value("kind").toString(), QStringLiteral("link_restored"));
    EXPECT_TRUE(first.value("time").toString().endsWith(QLatin1Char('Z')));
    EXPECT_TRUE(first.value("values").isObject());

    const QJsonArray page =
        Http().Get("/api/v1/events?since=1&limit=1").Json().value("events").toArray();
    ASSERT_EQ(page.size(), 1);
    EXPECT_EQ(page[0].toObject().value("id").toInt(), 2);
    EXPECT_TRUE(Http().Get("/api/v1/events?since=2").Json().value("events").toArray().isEmpty());
    for (const char* pszQuery :
         {"since=abc", "since=-1", "since=%2B1", "limit=0", "limit=1001", "limit=x"})
        EXPECT_EQ(Http().Get(QStringLiteral("/api/v1/events?%1").arg(pszQuery)).nStatus, 400)
            << pszQuery;
}

TEST_F(HttpApiTest, CommandsAnswerWithEveryStatusCode)
{
    StartSite();
    const HttpReply missing = Command("tx1", R"({"command": "mute"})", QByteArray());
    EXPECT_EQ(missing.nStatus, 401);
    EXPECT_EQ(missing.Header("WWW-Authenticate"), QByteArray("Bearer"));
    EXPECT_EQ(Command("tx1", R"({"command": "mute"})", "wrong-token-of-some-length").nStatus, 401);
    EXPECT_EQ(Command("tx1", R"({"command": "mute"})", kToken + "x").nStatus, 401);
    EXPECT_EQ(Command("tx1", R"({"command": "mute"})", kToken.left(kToken.size() - 1)).nStatus,
              401);
    EXPECT_EQ(Command("nobody", R"({"command": "mute"})").nStatus, 404);
    for (const char* pszBody : {"mute", "", "[]", R"({"command": 5})", R"({"cmd": "mute"})",
                                R"({"command": "mute", "unit": "tx1"})",
                                R"({"command": "explode"})", R"({"command": "MUTE"})"})
        EXPECT_EQ(Command("tx1", pszBody).nStatus, 400) << pszBody;
    EXPECT_EQ(
        Command("tx1", R"({"command": "mute", "pad": ")" + QByteArray(2000, 'x') + "\"}").nStatus,
        413);
    EXPECT_EQ(Command("off", R"({"command": "reset_alarms"})").nStatus, 409);
    EXPECT_EQ(Command("arvel", R"({"command": "power_up"})").nStatus, 409);
    EXPECT_EQ(Command("arvel", R"({"command": "power_down"})").nStatus, 409);
    EXPECT_EQ(Command("arvel", R"({"command": "frequency_up"})").nStatus, 202);

    const HttpReply written = Command("tx1", R"({"command": "power_up"})");
    EXPECT_EQ(written.nStatus, 202);
    EXPECT_EQ(written.Json().value("command").toString(), QStringLiteral("power_up"));
    // The pause after a command holds the next one to the same unit, not to another.
    const HttpReply paced = Command("tx1", R"({"command": "mute"})");
    EXPECT_EQ(paced.nStatus, 429);
    EXPECT_EQ(paced.Header("Retry-After"), QByteArray("1"));
    EXPECT_TRUE(WaitUntil([&] { return Command("tx1", R"({"command": "mute"})").nStatus == 202; }));
    EXPECT_TRUE(WaitUntil([&] { return SimReceived("tx1").replace("w", "") == "3o"; }));
    EXPECT_TRUE(WaitUntil([&] { return Unit("tx1").Frame().CarrierMuted(); }));
    EXPECT_EQ(SimReceived("arvel").replace("w", ""), QByteArray("1"));

    // Refusals of known units are events too, with who sent them; the token appears nowhere.
    QStringList reasons;
    for (const AgentEvent& event : Agent().Events().Since(0, 1000)) {
        const QByteArray json = QJsonDocument(event.ToJson()).toJson();
        EXPECT_FALSE(json.contains(kToken)) << json.constData();
        if (event.strKind == QLatin1String("command") && !event.values.value("accepted").toBool())
            reasons.append(event.values.value("reason").toString());
    }
    EXPECT_TRUE(reasons.contains(QStringLiteral("missing or wrong token")));
    EXPECT_TRUE(reasons.contains(QStringLiteral("the unit is not online")));
    EXPECT_TRUE(reasons.contains(QStringLiteral("the unit has no power buttons")));
    EXPECT_TRUE(
        reasons.contains(QStringLiteral("the pause after the previous command has not passed")));
    EXPECT_FALSE(g_logged.join('\n').contains(QLatin1String(kToken)));
}

TEST_F(HttpApiTest, CommandsAreForbiddenUntilSwitchedOn)
{
    ASSERT_TRUE(StartSim("tx1"));
    StartAgent(UnitSection("tx1"), QStringLiteral("token = %1\n").arg(QLatin1String(kToken)));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    EXPECT_EQ(Command("tx1", R"({"command": "mute"})").nStatus, 403);
    EXPECT_EQ(Command("tx1", R"({"command": "mute"})", QByteArray()).nStatus, 403);
    EXPECT_EQ(Command("nobody", R"({"command": "mute"})").nStatus, 403);
    ASSERT_TRUE(WaitForEvent("tx1", "command"));
    const AgentEvent refused = Agent().Events().Since(1, 1).front();
    EXPECT_EQ(refused.values.value("reason").toString(), QStringLiteral("commands are disabled"));
    EXPECT_EQ(refused.values.value("command").toString(), QStringLiteral("mute"));
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(SimReceived("tx1").replace("w", ""), QByteArray());
}

// A client that sends a body far over any limit is answered 413 and cut off before the server
// holds it in memory; the agent goes on serving.
TEST_F(HttpApiTest, AHugeRequestIsCutOff)
{
    StartAgent(QString(),
               QStringLiteral("commands = true\ntoken = %1\n").arg(QLatin1String(kToken)));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, Agent().HttpPort());
    ASSERT_TRUE(socket.waitForConnected(3000));
    const qint64 nBody = 8 * 1024 * 1024;
    socket.write("POST /api/v1/units/tx1/commands HTTP/1.1\r\nHost: localhost\r\n"
                 "Content-Type: application/json\r\nContent-Length: " +
                 QByteArray::number(nBody) + "\r\n\r\n");
    QByteArray answer;
    qint64 nSent = 0;
    const QByteArray chunk(64 * 1024, 'x');
    WaitUntil(
        [&] {
            if (nSent < nBody && socket.bytesToWrite() < chunk.size()) {
                socket.write(chunk);
                nSent += chunk.size();
            }
            answer += socket.readAll();
            return answer.contains("\r\n\r\n") || socket.state() != QAbstractSocket::ConnectedState;
        },
        10000);
    answer += socket.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 413")) << answer.left(200).constData();
    EXPECT_LT(nSent, nBody);
    EXPECT_TRUE(WaitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; },
                          CHttpListener::kDrainMs + 3000));
    EXPECT_EQ(Http().Get("/metrics").nStatus, 200);
}

// Many requests on one kept-alive connection never add up to a refusal.
TEST_F(HttpApiTest, AKeptAliveConnectionServesRequestAfterRequest)
{
    StartAgent(QString());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, Agent().HttpPort());
    ASSERT_TRUE(socket.waitForConnected(3000));
    const QByteArray request =
        "GET /api/v1/units HTTP/1.1\r\nHost: localhost\r\nX-Pad: " + QByteArray(1000, 'p') +
        "\r\n\r\n";
    int nAnswers = 0;
    for (int i = 0; i < 150; ++i) {
        socket.write(request);
        QByteArray answer;
        ASSERT_TRUE(WaitUntil([&] {
            answer += socket.readAll();
            return answer.contains("{\"units\":[]}");
        })) << i;
        nAnswers += answer.startsWith("HTTP/1.1 200") ? 1 : 0;
    }
    EXPECT_EQ(nAnswers, 150);
}

} // namespace
