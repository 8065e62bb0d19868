#include "ComLink.h"
#include "FileModesApply.h"
#include "LinkTestSupport.h"
#include "Protocol.h"
#include "Pty.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kBaud = 9600;

// Runs the event loop for ms milliseconds and returns how often it went to sleep: a quiet
// line lets it sleep a handful of times, a port that floods it with events never lets it sleep.
int LoopWakeUps(int ms)
{
    int nWakeUps = 0;
    QEventLoop loop;
    const auto connection = QObject::connect(QAbstractEventDispatcher::instance(),
                                             &QAbstractEventDispatcher::awake, [&] { ++nWakeUps; });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return nWakeUps;
}

// A link on port 1, which CORVEX_PORTS points at a fresh pseudo-terminal.
class ComLinkTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!m_pty.Open())
            GTEST_SKIP() << "no pseudo-terminal: " << m_pty.ErrorString().toStdString();
        m_env.Set(m_pty.SlavePath().toLocal8Bit());
    }

    // Waits, without running the event loop, until the link counts nWaiting bytes.
    bool WaitForWaiting(int nWaiting, bool bSpin = false)
    {
        return WaitUntil([&] { return m_link.BytesWaiting() == nWaiting; }, 2000, bSpin);
    }

    // Whatever reaches the master side within timeoutMs of the first byte.
    QByteArray ReceivedByUnit(int timeoutMs = 1000)
    {
        QByteArray data = m_pty.ReadMaster(timeoutMs);
        for (QByteArray more = m_pty.ReadMaster(50); !more.isEmpty(); more = m_pty.ReadMaster(50))
            data += more;
        return data;
    }

    CPortsEnvGuard m_env;
    CPty m_pty;
    CComLink m_link;
};

TEST_F(ComLinkTest, OpenCloseAndReopen)
{
    EXPECT_FALSE(m_link.IsOpen());
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_EQ(m_link.Close(), 1);
    EXPECT_FALSE(m_link.IsOpen());
    EXPECT_EQ(m_link.Close(), 1);

    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(ReceivedByUnit(), QByteArray("w"));
    m_pty.WriteMaster("abc");
    ASSERT_TRUE(WaitForWaiting(3));
    quint8 buffer[3] = {};
    EXPECT_EQ(m_link.Read(buffer, 3), 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), 3), QByteArray("abc"));
}

TEST_F(ComLinkTest, FailedOpenLeavesTheLinkClosed)
{
    const struct
    {
        const char* pszTable; // nullptr: the fixture's pseudo-terminal
        int nPort;
        int nBaud;
    } cases[] = {
        {nullptr, 0, kBaud},
        {nullptr, -1, kBaud},
        {nullptr, 2, kBaud},
        {"", 1, kBaud},
        {"/dev/corvex-no-such-port", 1, kBaud},
        {nullptr, 1, 0},
        {nullptr, 1, -9600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.pszTable ? c.pszTable : "pty") << " port " << c.nPort
                                        << " baud " << c.nBaud);
        if (c.pszTable)
            m_env.Set(c.pszTable);
        else
            m_env.Set(m_pty.SlavePath().toLocal8Bit());
        CComLink link;
        EXPECT_EQ(link.Open(c.nPort, c.nBaud), 0);
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(link.BytesWaiting(), 0);
        quint8 buffer[4] = {};
        EXPECT_EQ(link.Read(buffer, 4), 0);
        EXPECT_EQ(link.Write(&Command::Poll, 1), 0);
        EXPECT_EQ(link.WriteByte(Command::Poll), 0);
        EXPECT_EQ(link.Close(), 1);
    }
    EXPECT_TRUE(m_pty.ReadMaster(50).isEmpty());
}

// A failed Open says why in the system's words, and tells a refused permission apart from a
// device that is missing or busy; an Open that succeeds clears the reason.
TEST_F(ComLinkTest, FailedOpenSaysWhy)
{
    const QString strDenied = qt_error_string(EACCES);
    {
        m_env.Set("/dev/corvex-no-such-port");
        EXPECT_EQ(m_link.Open(1, kBaud), 0);
        EXPECT_EQ(m_link.ErrorString(), qt_error_string(ENOENT));
        EXPECT_FALSE(m_link.IsPermissionDenied());
        m_env.Set(m_pty.SlavePath().toLocal8Bit());
    }
    {
        EXPECT_EQ(m_link.Open(0, kBaud), 0);
        EXPECT_EQ(m_link.ErrorString(), QStringLiteral("there is no port 0"));
        EXPECT_FALSE(m_link.IsPermissionDenied());
    }
    {
        QSerialPort holder(m_pty.SlavePath());
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        EXPECT_EQ(m_link.Open(1, kBaud), 0);
        EXPECT_FALSE(m_link.ErrorString().isEmpty());
        EXPECT_NE(m_link.ErrorString(), strDenied);
        EXPECT_FALSE(m_link.IsPermissionDenied()) << m_link.ErrorString().toStdString();
    }
    {
        CFileModesApply modes(m_pty.SlavePath());
        ASSERT_TRUE(modes.IsApplied());
        EXPECT_EQ(m_link.Open(1, kBaud), 0);
        EXPECT_EQ(m_link.ErrorString(), strDenied);
        EXPECT_TRUE(m_link.IsPermissionDenied());
    }
    EXPECT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_TRUE(m_link.ErrorString().isEmpty());
    EXPECT_FALSE(m_link.IsPermissionDenied());
}

// Another program holds the line, through the same path or another one to the same device (Qt's
// lock file is named after the path, and root passes TIOCEXCL): the open is refused as held, and
// succeeds once the holder lets go.
TEST_F(ComLinkTest, ALineHeldThroughAnyPathIsRefusedAsHeld)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strLink = dir.filePath(QStringLiteral("usb-Corvex_Line-if00-port0"));
    ASSERT_TRUE(QFile::link(m_pty.SlavePath(), strLink));
    const QString strPty = m_pty.SlavePath();
    const struct
    {
        bool bQtHolder; // a bare QSerialPort, which takes Qt's lock file only
        QString strHeld;
        QString strOpened;
        const char* pszError;
    } cases[] = {
        {true, strPty, strPty,
         "held by another program (Permission error while locking the device)"},
        {false, strPty, strLink, "held by another program"},
        {false, strLink, strPty, "held by another program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1 held, %2 opened").arg(c.strHeld, c.strOpened).toStdString());
        {
            QSerialPort qtHolder(c.strHeld);
            CComLink linkHolder;
            ASSERT_TRUE(c.bQtHolder ? qtHolder.open(QIODevice::ReadWrite)
                                    : linkHolder.Open(c.strHeld, kBaud) == 1);
            EXPECT_EQ(m_link.Open(c.strOpened, kBaud), 0);
            EXPECT_FALSE(m_link.IsOpen());
            EXPECT_EQ(m_link.ErrorString(), QLatin1String(c.pszError));
            EXPECT_TRUE(m_link.IsHeld());
            EXPECT_FALSE(m_link.IsPermissionDenied());
        }
        ASSERT_EQ(m_link.Open(c.strOpened, kBaud), 1);
        EXPECT_FALSE(m_link.IsHeld());
        EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
        EXPECT_EQ(ReceivedByUnit(), QByteArray("w"));
        m_link.Close();
    }
}

TEST_F(ComLinkTest, OpenOnAnOpenLinkKeepsItsPort)
{
    CPty other;
    ASSERT_TRUE(other.Open());
    m_env.Set((m_pty.SlavePath() + u':' + other.SlavePath()).toLocal8Bit());
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_EQ(m_link.Open(2, 19200), 1);
    EXPECT_EQ(m_link.Write(&Command::Mute, 1), 1);
    EXPECT_EQ(ReceivedByUnit(), QByteArray("o"));
    EXPECT_TRUE(other.ReadMaster(50).isEmpty());
}

TEST_F(ComLinkTest, WriteSendsExactlyTheGivenBytes)
{
    const quint8 commands[] = {Command::Poll,    Command::ResetAlarms, Command::Mute,
                               Command::Unmute,  Command::FrequencyUp, Command::FrequencyDown,
                               Command::PowerUp, Command::PowerDown};
    const struct
    {
        int nLength;
        int nWritten;
        QByteArray onLine;
    } cases[] = {
        {1, 1, "w"},
        {0, 0, ""},
        {-3, 0, ""},
        {8, 8, "w6of1234"},
    };
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    for (const auto& c : cases) {
        EXPECT_EQ(m_link.Write(commands, c.nLength), c.nWritten) << c.nLength;
        EXPECT_EQ(ReceivedByUnit(c.onLine.isEmpty() ? 50 : 1000), c.onLine) << c.nLength;
    }
    EXPECT_EQ(m_link.Write(nullptr, 1), 0);
    EXPECT_EQ(m_link.WriteByte(0x00), 1);
    EXPECT_EQ(ReceivedByUnit(), QByteArray(1, '\0'));
}

TEST_F(ComLinkTest, ReadTakesAtMostWhatWasAskedAndLeavesTheRest)
{
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    const QByteArray sent("0123456789ABCDEFGHIJ");
    m_pty.WriteMaster(sent);
    // Not one event is processed here: the count must include what only the system holds.
    ASSERT_TRUE(WaitForWaiting(20)) << m_link.BytesWaiting();
    EXPECT_FALSE(IsFrameAvailable(m_link.BytesWaiting()));

    quint8 buffer[kStatusFrameSize + 1] = {};
    buffer[kStatusFrameSize] = 0xEE;
    EXPECT_EQ(m_link.Read(buffer, kStatusFrameSize), kStatusFrameSize);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), kStatusFrameSize), sent.left(16));
    EXPECT_EQ(buffer[kStatusFrameSize], 0xEE);
    EXPECT_EQ(m_link.BytesWaiting(), 4);

    EXPECT_EQ(m_link.Read(buffer, kStatusFrameSize), 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), 4), sent.mid(16));
    EXPECT_EQ(m_link.BytesWaiting(), 0);
}

TEST_F(ComLinkTest, BytesFetchedByTheEventLoopAndBytesInTheSystemReadInOrder)
{
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    m_pty.WriteMaster("first-");
    ASSERT_TRUE(WaitForWaiting(6, true));
    // Let the port fetch these into its own buffer before more arrive.
    LoopWakeUps(20);
    m_pty.WriteMaster("second");
    ASSERT_TRUE(WaitForWaiting(12));
    quint8 buffer[12] = {};
    EXPECT_EQ(m_link.Read(buffer, 12), 12);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buffer), 12), QByteArray("first-second"));
    EXPECT_EQ(m_link.BytesWaiting(), 0);
}

TEST_F(ComLinkTest, NothingWaitingReadsNothing)
{
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    LoopWakeUps(20);
    EXPECT_EQ(m_link.BytesWaiting(), 0);
    quint8 buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(m_link.Read(buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(m_link.Read(buffer, 0), 0);
    EXPECT_EQ(m_link.Read(nullptr, 4), 0);
}

TEST_F(ComLinkTest, BytesQueuedBeforeOpenAreDiscarded)
{
    m_pty.WriteMaster("stale bytes");
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_EQ(m_link.BytesWaiting(), 0);
    m_pty.WriteMaster("fresh");
    EXPECT_TRUE(WaitForWaiting(5));
}

TEST_F(ComLinkTest, ReadBetweenReadinessAndNotificationKeepsTheLink)
{
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    m_pty.WriteMaster(QByteArray(kStatusFrameSize, 'x'));
    ASSERT_TRUE(WaitForWaiting(kStatusFrameSize));
    // The loop sees the line readable, then this zero timer drains it before the port's own
    // notification runs, as the panel's timer may.
    int nRead = 0;
    QTimer::singleShot(0, [&] {
        quint8 buffer[kStatusFrameSize];
        nRead = m_link.Read(buffer, kStatusFrameSize);
    });
    LoopWakeUps(50);
    EXPECT_EQ(nRead, kStatusFrameSize);
    m_pty.WriteMaster("y");
    EXPECT_TRUE(WaitForWaiting(1, true));
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
}

// A write to a line whose output is held gives up (after its wait, or at once in non-blocking
// mode) and leaves nothing queued that could reach the unit later.
TEST_F(ComLinkTest, WriteToAStoppedLineGivesUpAndWithdrawsTheByte)
{
    const struct
    {
        bool bNonBlocking;
        int nMinMs;
        int nMaxMs; // generous, for a busy machine
    } cases[] = {
        {false, 900, 5000},
        {true, 0, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bNonBlocking ? "non-blocking" : "blocking");
        // A second descriptor on the line suspends its output, as a stalled driver would.
        const int fdControl = ::open(m_pty.SlavePath().toLocal8Bit().constData(),
                                     O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fdControl, 0);
        CComLink link;
        link.SetNonBlocking(c.bNonBlocking);
        ASSERT_EQ(link.Open(1, kBaud), 1);
        ASSERT_EQ(::tcflow(fdControl, TCOOFF), 0);

        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(link.Write(&Command::PowerUp, 1), 0);
        EXPECT_GE(timer.elapsed(), c.nMinMs);
        EXPECT_LT(timer.elapsed(), c.nMaxMs);
        EXPECT_TRUE(link.IsOpen());

        ASSERT_EQ(::tcflow(fdControl, TCOON), 0);
        ::close(fdControl);
        LoopWakeUps(50);
        EXPECT_TRUE(ReceivedByUnit(100).isEmpty());
        EXPECT_EQ(link.Write(&Command::PowerDown, 1), 1);
        EXPECT_EQ(ReceivedByUnit(), QByteArray("4"));
    }
}

TEST_F(ComLinkTest, OpensADevicePathAndSaysWhyOneDoesNotOpen)
{
    EXPECT_EQ(m_link.Open(QStringLiteral("/dev/corvex-no-such-port"), kBaud), 0);
    EXPECT_FALSE(m_link.IsOpen());
    EXPECT_TRUE(m_link.ErrorString().contains(QLatin1String("No such file")))
        << m_link.ErrorString().toStdString();

    ASSERT_EQ(m_link.Open(m_pty.SlavePath(), kBaud), 1);
    EXPECT_TRUE(m_link.ErrorString().isEmpty());
    EXPECT_FALSE(m_link.IsOpening());
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(ReceivedByUnit(), QByteArray("w"));
}

// The unit's side of the line goes away while the link is open.
class ComLinkHangUpTest : public ComLinkTest, public testing::WithParamInterface<FirstToNotice>
{
};

TEST_P(ComLinkHangUpTest, LinkCountsNothingAndStaysQuiet)
{
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    m_pty.WriteMaster("partial");
    ASSERT_TRUE(WaitForWaiting(7));
    m_pty.CloseMaster();
    switch (GetParam()) {
    case FirstToNotice::BytesWaiting:
        EXPECT_EQ(m_link.BytesWaiting(), 0);
        break;
    case FirstToNotice::Write:
        EXPECT_EQ(m_link.Write(&Command::Poll, 1), 0);
        break;
    case FirstToNotice::EventLoop:
        // A port left open on a hung-up line wakes the loop continuously; a closed one sleeps.
        EXPECT_LT(LoopWakeUps(200), 50);
        break;
    }

    EXPECT_EQ(m_link.BytesWaiting(), 0);
    quint8 buffer[kStatusFrameSize] = {};
    EXPECT_EQ(m_link.Read(buffer, kStatusFrameSize), 0);
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 0);
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_LT(LoopWakeUps(200), 50);

    EXPECT_EQ(m_link.Close(), 1);
    EXPECT_FALSE(m_link.IsOpen());

    CPty replacement;
    ASSERT_TRUE(replacement.Open());
    m_env.Set(replacement.SlavePath().toLocal8Bit());
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(replacement.ReadMaster(1000), QByteArray("w"));
    replacement.WriteMaster("ok");
    EXPECT_TRUE(WaitForWaiting(2));
}

INSTANTIATE_TEST_SUITE_P(Hangs, ComLinkHangUpTest, EveryFirstToNotice(), FirstToNoticeName);

// A reply that Qt had already fetched when the unit's side went away was received: it stays
// readable once, then the link counts nothing.
TEST_F(ComLinkTest, BytesFetchedBeforeAHangUpStayReadable)
{
    ASSERT_EQ(m_link.Open(1, kBaud), 1);
    const QByteArray frame("0123456789abcdef");
    m_pty.WriteMaster(frame);
    // Arrived, and fetched by Qt's notifier: nothing left in the system's queue.
    ASSERT_TRUE(WaitForWaiting(kStatusFrameSize, true));
    ASSERT_TRUE(WaitUntil([&] { return m_pty.SlaveBytesWaiting() == 0; }, 2000, true));
    m_pty.CloseMaster();

    EXPECT_EQ(m_link.BytesWaiting(), kStatusFrameSize);
    quint8 buffer[kStatusFrameSize] = {};
    ASSERT_EQ(m_link.Read(buffer, kStatusFrameSize), kStatusFrameSize);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), kStatusFrameSize), frame);
    EXPECT_EQ(m_link.BytesWaiting(), 0);
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 0);
    EXPECT_EQ(m_link.Close(), 1);
}

} // namespace
