#include "Pty.h"
#include "SimProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// One line on stderr, nothing on stdout, and the given exit code.
void ExpectOneLineFailure(const QStringList& args, int exitCode)
{
    const std::string what = args.join(QLatin1Char(' ')).toStdString();
    CSimProcess sim;
    ASSERT_TRUE(sim.Run(args)) << what;
    QProcess& p = sim.Process();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << what;
    EXPECT_EQ(p.exitCode(), exitCode) << what;
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty()) << what;
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.startsWith("corvex-sim: ")) << what << ": " << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << what << ": " << err.toStdString();
    EXPECT_TRUE(err.endsWith('\n')) << what;
}

} // namespace

TEST(SimCommandLine, BadOptionOrValueExitsWith2AndOneLine)
{
    const QStringList cases[] = {
        {"--bogus"},
        {"stray"},
        {"-x"},
        {"--forward"},
        {"--forward", "256"},
        {"--forward", "-1"},
        {"--forward="},
        {"--forward", "1x"},
        {"--forward", "+5"},
        {"--forward", " 5"},
        {"--forward", "0x"},
        {"--type", "-129"},
        {"--type", "256"},
        {"--frequency", "65536"},
        {"--frequency", "98.5"},
        {"--frequency", "99999999999999999999999"},
        {"--temperature", "0x100"},
        {"--temperature", "-129"},
        {"--alarms", "abc"},
        {"--status", "-1"},
        {"--byte15", "256"},
        {"--preset", "receiver"},
        {"--silent=yes"},
        {"--reply-delay", "-1"},
        {"--split", "60001"},
        {"--extra-bytes", "4097"},
        {"--drop-every", "0"},
        {"--hangup-after", "0"},
        {"--seed", "-1"},
        {"--seed", "2147483648"},
        {"--live=1"},
        {"--log="},
        {"--device"},
    };
    for (const QStringList& args : cases)
        ExpectOneLineFailure(args, 2);
}

TEST(SimCommandLine, LineLinkOrLogThatCannotBeSetUpExitsWith1AndOneLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    QFile file(plainFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const QStringList cases[] = {
        {"--device", dir.filePath(QStringLiteral("missing"))},
        {"--device", plainFile},
        {"--link", plainFile},
        {"--link", dir.filePath(QStringLiteral("no/such/dir/link"))},
        {"--log", dir.filePath(QStringLiteral("no/such/dir/log"))},
    };
    for (const QStringList& args : cases)
        ExpectOneLineFailure(args, 1);
    EXPECT_TRUE(QFileInfo(plainFile).isFile()) << "an existing file is never replaced";
}

TEST(SimCommandLine, HelpListsEveryOptionAndVersionPrintsTheVersion)
{
    CSimProcess sim;
    ASSERT_TRUE(sim.Run({"--help"}));
    EXPECT_EQ(sim.Process().exitCode(), 0);
    const QByteArray help = sim.Process().readAllStandardOutput();
    const char* options[] = {
        "--device",         "--link",       "--log",         "--reply-delay",
        "--preset",         "transmitter",  "amplifier",     "--type",
        "--frequency",      "--forward",    "--reflected",   "--deviation",
        "--gain-reduction", "--pa-voltage", "--aux-voltage", "--temperature",
        "--status",         "--alarms",     "--byte0",       "--byte12",
        "--byte14",         "--byte15",     "--silent",      "--split",
        "--extra-bytes",    "--drop-every", "--garbage",     "--hangup-after",
        "--live",           "--seed",       "--help",        "--version",
    };
    for (const char* option : options)
        EXPECT_TRUE(help.contains(option)) << option;

    CSimProcess version;
    ASSERT_TRUE(version.Run({"--forward", "1", "--version"}));
    EXPECT_EQ(version.Process().exitCode(), 0);
    EXPECT_EQ(version.Process().readAllStandardOutput(),
              QByteArray("corvex-sim " CORVEX_VERSION "\n"));
}

TEST(SimCommandLine, QuitSignalClosesTheLineAndRemovesTheLink)
{
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("unit"));
        CSimProcess sim;
        ASSERT_TRUE(sim.Start({"--link", link}));
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.LinePath());

        const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        ::kill(pid_t(sim.Process().processId()), signalNumber);
        ASSERT_TRUE(sim.WaitForExit());
        EXPECT_EQ(sim.Process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.Process().exitCode(), 0);
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        pollfd pfd{fd, POLLIN, 0};
        EXPECT_EQ(::poll(&pfd, 1, 1000), 1);
        EXPECT_TRUE(pfd.revents & POLLHUP) << "the line hangs up when the simulator ends";
        ::close(fd);
    }
}

TEST(SimCommandLine, LinkReplacesAnOldSymbolicLink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("unit"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent"), link));
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--link", link}));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim.LinePath());
}

TEST(SimCommandLine, AFloodOfPollsGetsAtMost1024RepliesAtATime)
{
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--reply-delay", "1000"}));
    const int fd =
        ::open(QFile::encodeName(sim.LinePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const QByteArray polls(1100, 'w');
    ASSERT_EQ(::write(fd, polls.constData(), size_t(polls.size())), polls.size());

    const int expected = 1024 * 16;
    qint64 received = 0;
    char buffer[4096];
    const auto readSome = [&](int timeoutMs) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, timeoutMs) <= 0)
            return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        received += n > 0 ? n : 0;
        return n > 0;
    };
    while (received < expected && readSome(5000)) {
    }
    EXPECT_EQ(received, expected);
    EXPECT_FALSE(readSome(300)) << "the polls beyond 1024 got no reply";
    ::close(fd);
}

TEST(SimCommandLine, DeviceOptionServesAnExistingTerminal)
{
    CPty pty;
    ASSERT_TRUE(pty.Open()) << pty.ErrorString().toStdString();
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--device", pty.SlavePath(), "--reply-delay", "0", "--type", "7"}));
    EXPECT_EQ(sim.LinePath(), pty.SlavePath());

    ASSERT_EQ(pty.WriteMaster("w"), 1);
    QByteArray reply;
    WaitUntil([&] {
        reply += pty.ReadMaster(10);
        return reply.size() >= 16;
    });
    ASSERT_EQ(reply.size(), 16);
    EXPECT_EQ(quint8(reply[13]), 7);
    EXPECT_EQ(quint8(reply[1]), 0x03);
    EXPECT_EQ(quint8(reply[2]), 0xD9);

    // The other end going away ends the simulator with a message.
    pty.CloseMaster();
    ASSERT_TRUE(sim.WaitForExit());
    EXPECT_EQ(sim.Process().exitCode(), 1);
    EXPECT_TRUE(sim.Process().readAllStandardError().contains("hung up"));
}
