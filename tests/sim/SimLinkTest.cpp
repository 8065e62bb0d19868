#include "ComLink.h"
#include "Ser2netProcess.h"
#include "SimProcess.h"
#include "StatusFrame.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Bytes = std::array<quint8, 16>;

// The default transmitter's frame, written out from the byte table.
constexpr Bytes kTransmitterFrame = {0, 0x03, 0xD9, 0x01, 150, 3, 60, 6, 28, 15, 45, 0, 0, 2, 0, 0};

// corvex-sim on a pseudo-terminal, reached through CComLink as the panel reaches a unit.
class SimLinkTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        m_link.Close();
        qputenv("CORVEX_PORTS", "");
    }

    // Starts the simulator and opens port 1 on its line.
    bool Start(QStringList args)
    {
        if (!args.contains(QLatin1String("--reply-delay")))
            args << QStringLiteral("--reply-delay") << QStringLiteral("0");
        if (!m_sim.Start(args))
            return false;
        qputenv("CORVEX_PORTS", QFile::encodeName(m_sim.LinePath()));
        return m_link.Open(1, 9600) == 1;
    }

    // Starts the simulator behind ser2net and opens the link on ser2net's tcp: port.
    ::testing::AssertionResult StartBehindSer2net(const QStringList& args)
    {
        if (!m_sim.Start(args + QStringList{"--reply-delay", "0"}))
            return ::testing::AssertionFailure() << "corvex-sim did not start";
        if (!m_ser2net.Start(m_sim.LinePath()))
            return ::testing::AssertionFailure() << m_ser2net.ErrorString().toStdString();
        if (m_link.Open(m_ser2net.Entry(), 9600) != 1)
            return ::testing::AssertionFailure() << m_link.ErrorString().toStdString();
        return ::testing::AssertionSuccess();
    }

    void Send(const QByteArray& bytes)
    {
        ASSERT_EQ(
            m_link.Write(reinterpret_cast<const quint8*>(bytes.constData()), int(bytes.size())),
            bytes.size());
    }

    // Waits until at least nCount bytes wait (or timeoutMs passes) and returns the count.
    int WaitForBytes(int nCount, int timeoutMs = 3000)
    {
        WaitUntil([&] { return m_link.BytesWaiting() >= nCount; }, timeoutMs);
        return m_link.BytesWaiting();
    }

    // The count stays at nCount for a while: nothing more is on its way.
    bool StaysAt(int nCount, int forMs = 150)
    {
        return !WaitUntil([&] { return m_link.BytesWaiting() != nCount; }, forMs);
    }

    QByteArray ReadAll()
    {
        QByteArray bytes(m_link.BytesWaiting(), '\0');
        bytes.resize(m_link.Read(reinterpret_cast<quint8*>(bytes.data()), int(bytes.size())));
        return bytes;
    }

    // Sends a poll and returns what waits once a frame's worth has arrived.
    QByteArray Poll()
    {
        Send("w");
        WaitForBytes(16);
        return ReadAll();
    }

    static StatusFrame Decode(const QByteArray& bytes)
    {
        return StatusFrame::Decode(reinterpret_cast<const quint8*>(bytes.constData()));
    }

    static Bytes ToBytes(const QByteArray& bytes)
    {
        Bytes out{};
        std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), 16), out.begin());
        return out;
    }

    CSimProcess m_sim;
    CSer2netProcess m_ser2net;
    CComLink m_link;
};

struct FrameCase
{
    const char* name;
    QStringList args;
    quint16 frequency;
    quint8 statusFlags, forwardPower, reflectedPower;
    qint8 peakDeviation, gainReduction, paVoltage, auxVoltage, paTemperature;
    quint8 alarmFlags;
    qint8 unitType;
    std::array<quint8, 4> fillers; // bytes 0, 12, 14, 15
    const char* unitName;
    const char* forwardText;
    const char* reflectedText;
};

void PrintTo(const FrameCase& c, std::ostream* os)
{
    *os << c.name;
}

class SimFrameTest : public SimLinkTest, public ::testing::WithParamInterface<FrameCase>
{
};

const FrameCase kFrameCases[] = {
    {"transmitter",
     {},
     985,
     0x01,
     150,
     3,
     60,
     6,
     28,
     15,
     45,
     0,
     2,
     {0, 0, 0, 0},
     "Bexon Transmitter",
     "15.0 W FWD.",
     "0.3 W REV."},
    {"amplifier",
     {"--preset", "amplifier"},
     985,
     0x01,
     200,
     4,
     0,
     0,
     48,
     15,
     40,
     0,
     54,
     {0, 0, 0, 0},
     "Ilvar Amplifier",
     "200 W FWD.",
     "4 W REV."},
    {"every field",
     {"--type",       "0x81", "--frequency",   "65535", "--forward",        "255",
      "--reflected",  "0",    "--deviation",   "-10",   "--gain-reduction", "246",
      "--pa-voltage", "127",  "--aux-voltage", "-128",  "--temperature",    "200",
      "--status",     "0x81", "--alarms",      "0xC8",  "--byte0",          "0xAA",
      "--byte12",     "1",    "--byte14",      "2",     "--byte15",         "0xFF"},
     65535,
     0x81,
     255,
     0,
     -10,
     -10,
     127,
     -128,
     -56,
     0xC8,
     -127,
     {0xAA, 1, 2, 0xFF},
     "Unknown unit using default settings",
     "1020 W FWD.",
     "0 W REV."},
    {"signed watts set before the preset",
     {"--type", "3", "--forward", "0xC8", "--preset", "amplifier"},
     985,
     0x01,
     0xC8,
     4,
     0,
     0,
     48,
     15,
     40,
     0,
     3,
     {0, 0, 0, 0},
     "Corlan Transmitter",
     "-56 W FWD.",
     "4 W REV."},
};

TEST_P(SimFrameTest, PollGetsOneFrameThatDecodesToTheOptions)
{
    const FrameCase& c = GetParam();
    ASSERT_TRUE(Start(c.args));
    const QByteArray bytes = Poll();
    ASSERT_EQ(bytes.size(), 16);
    EXPECT_TRUE(StaysAt(0)) << "one frame per poll";

    const StatusFrame frame = Decode(bytes);
    EXPECT_EQ(frame.FrequencyCount(), c.frequency);
    EXPECT_FLOAT_EQ(frame.Frequency(), float(c.frequency) / 10.0f);
    EXPECT_EQ(frame.statusFlags, c.statusFlags);
    EXPECT_EQ(frame.forwardPower, c.forwardPower);
    EXPECT_EQ(frame.reflectedPower, c.reflectedPower);
    EXPECT_EQ(frame.peakDeviation, c.peakDeviation);
    EXPECT_EQ(frame.gainReduction, c.gainReduction);
    EXPECT_EQ(frame.paVoltage, c.paVoltage);
    EXPECT_EQ(frame.auxVoltage, c.auxVoltage);
    EXPECT_EQ(frame.paTemperature, c.paTemperature);
    EXPECT_EQ(frame.alarmFlags, c.alarmFlags);
    EXPECT_EQ(frame.unitType, c.unitType);
    EXPECT_STREQ(frame.Unit().pszName, c.unitName);
    EXPECT_EQ(frame.ForwardPowerText(), QLatin1String(c.forwardText));
    EXPECT_EQ(frame.ReflectedPowerText(), QLatin1String(c.reflectedText));
    const std::array<quint8, 4> fillers = {quint8(bytes[0]), quint8(bytes[12]), quint8(bytes[14]),
                                           quint8(bytes[15])};
    EXPECT_EQ(fillers, c.fillers);
}

INSTANTIATE_TEST_SUITE_P(Units, SimFrameTest, ::testing::ValuesIn(kFrameCases));

TEST_F(SimLinkTest, CommandsChangeLaterFrames)
{
    ASSERT_TRUE(
        Start({"--frequency", "985", "--forward", "100", "--status", "0x01", "--alarms", "0xFF"}));
    struct Step
    {
        const char* commands;
        quint16 frequency;
        quint8 forwardPower;
        quint8 statusFlags;
        quint8 alarmFlags;
    };
    const Step steps[] = {
        {"1", 986, 100, 0x01, 0xFF}, {"22", 984, 100, 0x01, 0xFF}, {"3", 984, 101, 0x01, 0xFF},
        {"44", 984, 99, 0x01, 0xFF}, {"o", 984, 99, 0x81, 0xFF},   {"f", 984, 99, 0x01, 0xFF},
        {"6", 984, 99, 0x01, 0x37},  {"o6", 984, 99, 0x81, 0x37},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.commands);
        Send(step.commands);
        const QByteArray bytes = Poll();
        ASSERT_EQ(bytes.size(), 16);
        const StatusFrame frame = Decode(bytes);
        EXPECT_EQ(frame.FrequencyCount(), step.frequency);
        EXPECT_EQ(frame.forwardPower, step.forwardPower);
        EXPECT_EQ(frame.statusFlags, step.statusFlags);
        EXPECT_EQ(frame.CarrierMuted(), (step.statusFlags & 0x80) != 0);
        EXPECT_EQ(frame.alarmFlags, step.alarmFlags);
    }
}

// The same unit behind ser2net on 127.0.0.1, reached through a tcp: entry.
class Ser2netLinkTest : public SimLinkTest
{
protected:
    void SetUp() override
    {
        if (CSer2netProcess::Program().isEmpty())
            GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
    }
};

TEST_F(Ser2netLinkTest, CarriesPollsFramesAndCommands)
{
    ASSERT_TRUE(StartBehindSer2net({"--forward", "100"}));
    EXPECT_EQ(ToBytes(Poll()),
              (Bytes{0, 0x03, 0xD9, 0x01, 100, 3, 60, 6, 28, 15, 45, 0, 0, 2, 0, 0}));
    EXPECT_TRUE(StaysAt(0));
    Send("3");
    const QByteArray bytes = Poll();
    ASSERT_EQ(bytes.size(), 16);
    EXPECT_EQ(Decode(bytes).forwardPower, 101);
}

TEST_F(Ser2netLinkTest, InFrontOfASilentUnitCarriesNothingBack)
{
    ASSERT_TRUE(StartBehindSer2net({"--silent"}));
    Send("w");
    EXPECT_FALSE(WaitUntil([&] { return m_link.BytesWaiting() > 0; }, 300));
    EXPECT_TRUE(m_link.IsOpen());
}

TEST_F(Ser2netLinkTest, ClosingTheConnectionAfterAHangUpLeavesTheLinkGone)
{
    ASSERT_TRUE(StartBehindSer2net({"--hangup-after", "1"}));
    EXPECT_EQ(Poll().size(), 16);
    ASSERT_TRUE(m_sim.WaitForExit());
    const quint8 poll = 'w';
    EXPECT_TRUE(WaitUntil([&] { return m_link.Write(&poll, 1) == 0; }));
    EXPECT_EQ(m_link.BytesWaiting(), 0);
    EXPECT_TRUE(m_link.IsOpen());
}

// Over the line, the live unit's readings move from reply to reply, the same for the same seed.
TEST_F(SimLinkTest, LiveReadingsMoveAndFollowTheSeed)
{
    std::vector<QByteArray> firstRun;
    for (int nRun = 0; nRun < 2; ++nRun) {
        ASSERT_TRUE(Start({"--live", "--seed", "42"}));
        std::vector<QByteArray> replies;
        for (int i = 0; i < 5; ++i) {
            replies.push_back(Poll());
            ASSERT_EQ(replies.back().size(), 16);
        }
        for (size_t i = 1; i < replies.size(); ++i) {
            const StatusFrame now = Decode(replies[i]);
            const StatusFrame before = Decode(replies[i - 1]);
            EXPECT_NE(now.peakDeviation, before.peakDeviation) << i;
            EXPECT_NE(now.paTemperature, before.paTemperature) << i;
            EXPECT_EQ(now.FrequencyCount(), 985) << i;
        }
        if (nRun == 0)
            firstRun = replies;
        else
            EXPECT_EQ(replies, firstRun);
        m_link.Close();
        m_sim.Stop();
    }
}

TEST_F(SimLinkTest, NoByteButThePollGetsAReply)
{
    ASSERT_TRUE(Start({}));
    QByteArray others;
    for (int b = 0; b < 256; ++b) {
        if (b != 'w')
            others.append(char(b));
    }
    // The simulator takes bytes in order: anything answered before the poll would come first.
    Send(others + 'w');
    EXPECT_EQ(WaitForBytes(16), 16);
    EXPECT_TRUE(StaysAt(16));
}

TEST_F(SimLinkTest, LogRecordsEachReceivedByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("sim.log"));
    ASSERT_TRUE(Start({"--log", logPath}));
    const QByteArray sent("w1 \x00\xFFw", 6);
    Send(sent);

    QList<QByteArray> lines;
    WaitUntil([&] {
        QFile log(logPath);
        if (log.open(QIODevice::ReadOnly))
            lines = log.readAll().split('\n');
        return lines.size() > sent.size();
    });
    ASSERT_EQ(lines.size(), sent.size() + 1);
    EXPECT_TRUE(lines.last().isEmpty());

    const QRegularExpression format(QStringLiteral("^(\\d+) (\\S) 0x([0-9a-f]{2})$"));
    const char shown[] = {'w', '1', '.', '.', '.', 'w'};
    qint64 previousMs = 0;
    for (int i = 0; i < sent.size(); ++i) {
        const QRegularExpressionMatch m = format.match(QString::fromLatin1(lines[i]));
        ASSERT_TRUE(m.hasMatch()) << lines[i].toStdString();
        EXPECT_GE(m.captured(1).toLongLong(), previousMs);
        previousMs = m.captured(1).toLongLong();
        EXPECT_EQ(m.captured(2), QString(QLatin1Char(shown[i])));
        EXPECT_EQ(m.captured(3).toInt(nullptr, 16), quint8(sent[i]));
    }
}

TEST_F(SimLinkTest, ReplyComesAfterTheDelay)
{
    ASSERT_TRUE(Start({"--reply-delay", "300"}));
    Send("w");
    EXPECT_FALSE(WaitUntil([&] { return m_link.BytesWaiting() > 0; }, 150));
    EXPECT_EQ(WaitForBytes(16), 16);
}

TEST_F(SimLinkTest, SilentAnswersNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("sim.log"));
    ASSERT_TRUE(Start({"--silent", "--log", logPath}));
    Send("w");
    EXPECT_FALSE(WaitUntil([&] { return m_link.BytesWaiting() > 0; }, 300));
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(" w 0x77")) << "the poll did arrive";
}

TEST_F(SimLinkTest, SplitSendsTwoHalves)
{
    ASSERT_TRUE(Start({"--split", "300"}));
    Send("w");
    EXPECT_EQ(WaitForBytes(8), 8);
    EXPECT_EQ(m_link.BytesWaiting(), 8);
    EXPECT_EQ(WaitForBytes(16), 16);
    EXPECT_TRUE(StaysAt(16));
    EXPECT_EQ(ToBytes(ReadAll()), kTransmitterFrame);
}

TEST_F(SimLinkTest, ExtraBytesFollowEachFrame)
{
    ASSERT_TRUE(Start({"--extra-bytes", "5"}));
    for (int i = 0; i < 2; ++i) {
        Send("w");
        EXPECT_EQ(WaitForBytes(21), 21);
        EXPECT_TRUE(StaysAt(21));
        EXPECT_EQ(ToBytes(ReadAll()), kTransmitterFrame);
    }
}

TEST_F(SimLinkTest, DropEveryLeavesEveryNthPollUnanswered)
{
    ASSERT_TRUE(Start({"--drop-every", "3"}));
    for (int poll = 1; poll <= 6; ++poll) {
        SCOPED_TRACE(poll);
        const bool answered = poll % 3 != 0;
        Send("w");
        if (answered) {
            EXPECT_EQ(WaitForBytes(16), 16);
            EXPECT_EQ(ToBytes(ReadAll()), kTransmitterFrame);
        } else {
            EXPECT_EQ(WaitForBytes(1, 300), 0);
        }
    }
}

TEST_F(SimLinkTest, GarbageSendsSixteenBytesThatAreNoStateFrame)
{
    ASSERT_TRUE(Start({"--garbage"}));
    QByteArray first;
    for (int i = 0; i < 3; ++i) {
        const QByteArray bytes = Poll();
        ASSERT_EQ(bytes.size(), 16);
        EXPECT_TRUE(StaysAt(0));
        EXPECT_NE(ToBytes(bytes), kTransmitterFrame);
        if (i == 0)
            first = bytes;
        else
            EXPECT_NE(bytes, first) << "each reply is new garbage";
    }
}

TEST_F(SimLinkTest, HangupAfterClosesTheLineAndEnds)
{
    ASSERT_TRUE(Start({"--hangup-after", "2"}));
    EXPECT_EQ(Poll().size(), 16);
    EXPECT_EQ(m_sim.Process().state(), QProcess::Running);
    EXPECT_EQ(Poll().size(), 16);

    ASSERT_TRUE(m_sim.WaitForExit());
    EXPECT_EQ(m_sim.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_sim.Process().exitCode(), 0);
    // The link finds the device gone: nothing waits and nothing can be written.
    EXPECT_TRUE(WaitUntil([&] { return m_link.BytesWaiting() == 0; }));
    const quint8 poll = 'w';
    EXPECT_EQ(m_link.Write(&poll, 1), 0);
    EXPECT_EQ(m_link.BytesWaiting(), 0);
}

} // namespace
