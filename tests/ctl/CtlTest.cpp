#include "Ser2netProcess.h"
#include "SimLog.h"
#include "SimProcess.h"
#include "TcpPeer.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CtlRun
{
    int nExitCode = -1;
    QString strOut;
    QString strErr;
    qint64 nElapsedMs = 0;

    QString FirstLine() const { return strOut.section(QLatin1Char('\n'), 0, 0); }
};

// Runs the real corvexctl binary to its end.
CtlRun RunCtl(const QStringList& args)
{
    CtlRun run;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(CORVEXCTL_PATH), args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "corvexctl did not end: " << args.join(' ').toStdString();
    }
    run.nElapsedMs = timer.elapsed();
    run.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.strOut = QString::fromUtf8(process.readAllStandardOutput());
    run.strErr = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// corvexctl against corvex-sim on a pseudo-terminal; the simulator logs what it receives.
class CtlTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dirTemp.isValid()); }

    bool StartSim(const QStringList& options = {})
    {
        m_strLogPath = m_dirTemp.filePath(QStringLiteral("sim.log"));
        return m_sim.Start(options + QStringList{QStringLiteral("--log"), m_strLogPath});
    }

    // The bytes the simulator has received, in order.
    QByteArray SimLog() const { return SimLogBytes(m_strLogPath); }

    QString Line() const { return m_sim.LinePath(); }

    CSimProcess m_sim;
    QTemporaryDir m_dirTemp;
    QString m_strLogPath;
};

const char kPerfData[] = "forward_power_w=15 reflected_power_w=0.3 pa_temperature_c=45 "
                         "pa_voltage_v=28 aux_voltage_v=15 peak_deviation_khz=60 "
                         "gain_reduction_db=6 frequency_mhz=98.5";

TEST_F(CtlTest, StatusJudgesEachFlagAndStateByThePluginConvention)
{
    const struct
    {
        QStringList options;
        int nExitCode;
        const char* pszLineStart;
    } cases[] = {
        {{}, 0, "CORVEX OK - Bexon Transmitter: 15.0 W FWD., 0.3 W REV. |"},
        {{"--status", "0x81"}, 1, "CORVEX WARNING - carrier muted - Bexon Transmitter:"},
        {{"--status", "0x00"}, 1, "CORVEX WARNING - PLL not locked - Bexon"},
        {{"--alarms", "0x40"}, 2, "CORVEX CRITICAL - RF fail - Bexon"},
        {{"--alarms", "0x08"}, 2, "CORVEX CRITICAL - PLL fail - Bexon"},
        {{"--alarms", "0x80"}, 2, "CORVEX CRITICAL - modulation fail - Bexon"},
        {{"--alarms", "0x37", "--status", "0x7F"}, 0, "CORVEX OK - Bexon"}, // bits not examined
        {{"--alarms", "0xC8", "--status", "0x80"},
         2,
         "CORVEX CRITICAL - RF fail, PLL fail, modulation fail, carrier muted, PLL not locked - "},
        {{"--preset", "amplifier", "--alarms", "0x88", "--status", "0x80"},
         0,
         "CORVEX OK - Ilvar Amplifier: 200 W FWD., 4 W REV. |"},
        {{"--preset", "amplifier", "--alarms", "0x40"}, 2, "CORVEX CRITICAL - RF fail - Ilvar"},
        {{"--type", "1"}, 0, "CORVEX OK - Arvel Transmitter | pa_temperature_c=45 "},
        {{"--type", "56", "--forward", "255"},
         0,
         "CORVEX OK - Unknown unit using default settings: 1020 W FWD., 12 W REV. |"},
        {{"--split", "150"}, 0, "CORVEX OK - Bexon"},
        {{"--silent"}, 2, "CORVEX CRITICAL - no valid frame from "},
        {{"--extra-bytes", "1"}, 2, "CORVEX CRITICAL - 17 bytes arrived from "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        ASSERT_TRUE(StartSim(c.options));
        const CtlRun run = RunCtl({"status", Line(), "--timeout", "1000"});
        EXPECT_EQ(run.nExitCode, c.nExitCode);
        EXPECT_TRUE(run.FirstLine().startsWith(QLatin1String(c.pszLineStart)))
            << run.FirstLine().toStdString();
        EXPECT_TRUE(run.strErr.isEmpty()) << run.strErr.toStdString();
        m_sim.Stop();
    }
}

TEST_F(CtlTest, StatusPrintsPerfDataAndEveryReading)
{
    ASSERT_TRUE(StartSim());
    const CtlRun run = RunCtl({"status", Line()});
    EXPECT_EQ(run.nExitCode, 0);
    EXPECT_EQ(run.strOut,
              QStringLiteral("CORVEX OK - Bexon Transmitter: 15.0 W FWD., 0.3 W REV. | ") +
                  QLatin1String(kPerfData) +
                  QStringLiteral("\nModel: Bexon Transmitter (code 2)\n"
                                 "Carrier frequency: 98.50 MHz\n"
                                 "Forward power: 15.0 W FWD.\n"
                                 "Reflected power: 0.3 W REV.\n"
                                 "P.A. temperature: 45 C\n"
                                 "P.A. voltage: 28 V\n"
                                 "AUX voltage: 15 V\n"
                                 "Peak deviation: 60 kHz\n"
                                 "Gain reduction: 6 dB\n"
                                 "PLL locked: yes\n"
                                 "RF fail: no\n"
                                 "PLL fail: no\n"
                                 "Modulation fail: no\n"
                                 "Carrier muted: no\n"));
    EXPECT_EQ(SimLog(), QByteArray("w"));
}

TEST_F(CtlTest, JsonIsOneObjectWithTheUnitInEveryKey)
{
    const struct
    {
        QStringList options;
        int nExitCode;
        const char* pszJson;
    } cases[] = {
        {{},
         0,
         R"({"model":"Bexon Transmitter","code":2,"frequency_mhz":98.5,"forward_power_w":15,
            "reflected_power_w":0.3,"forward_power_text":"15.0 W FWD.",
            "reflected_power_text":"0.3 W REV.","pa_temperature_c":45,"pa_voltage_v":28,
            "aux_voltage_v":15,"peak_deviation_khz":60,"gain_reduction_db":6,"pll_locked":true,
            "rf_fail":false,"pll_fail":false,"modulation_fail":false,"muted":false})"},
        {{"--type", "1", "--status", "0x80", "--alarms", "0xC8", "--deviation", "-10",
          "--frequency", "1"},
         2,
         R"({"model":"Arvel Transmitter","code":1,"frequency_mhz":0.1,"forward_power_w":null,
            "reflected_power_w":null,"forward_power_text":"","reflected_power_text":"",
            "pa_temperature_c":45,"pa_voltage_v":28,"aux_voltage_v":15,"peak_deviation_khz":-10,
            "gain_reduction_db":6,"pll_locked":false,"rf_fail":true,"pll_fail":true,
            "modulation_fail":true,"muted":true})"},
        {{"--type", "3", "--forward", "0xC8"},
         0,
         R"({"model":"Corlan Transmitter","code":3,"frequency_mhz":98.5,"forward_power_w":-56,
            "reflected_power_w":3,"forward_power_text":"-56 W FWD.",
            "reflected_power_text":"3 W REV.","pa_temperature_c":45,"pa_voltage_v":28,
            "aux_voltage_v":15,"peak_deviation_khz":60,"gain_reduction_db":6,"pll_locked":true,
            "rf_fail":false,"pll_fail":false,"modulation_fail":false,"muted":false})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        ASSERT_TRUE(StartSim(c.options));
        const CtlRun run = RunCtl({"--json", "status", Line()});
        EXPECT_EQ(run.nExitCode, c.nExitCode);
        ASSERT_TRUE(run.strOut.endsWith(QLatin1Char('\n')));
        EXPECT_EQ(run.strOut.count(QLatin1Char('\n')), 1) << "one object on one line";
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(run.strOut.toUtf8(), &error);
        ASSERT_TRUE(doc.isObject()) << error.errorString().toStdString();
        EXPECT_EQ(doc.object(), QJsonDocument::fromJson(c.pszJson).object())
            << run.strOut.toStdString();
        m_sim.Stop();
    }
}

TEST_F(CtlTest, ASilentUnitIsCriticalOnceTheTimeoutHasPassed)
{
    ASSERT_TRUE(StartSim({"--silent"}));
    const struct
    {
        QStringList args;
        bool bJson;
    } cases[] = {{{"status", Line(), "--timeout", "400"}, false},
                 {{"status", Line(), "--timeout=400", "--json"}, true}};
    for (const auto& c : cases) {
        const CtlRun run = RunCtl(c.args);
        EXPECT_EQ(run.nExitCode, 2);
        EXPECT_GE(run.nElapsedMs, 400);
        EXPECT_LT(run.nElapsedMs, 5000); // generous for a busy machine
        const QString strOutput = c.bJson ? run.strErr : run.strOut;
        EXPECT_TRUE(
            strOutput.contains(QStringLiteral("no valid frame from %1 within 400 ms").arg(Line())))
            << strOutput.toStdString();
        EXPECT_EQ(c.bJson ? run.strOut : run.strErr, QString());
    }
}

TEST_F(CtlTest, SendToAUnitThatDoesNotAnswerIsNotConfirmed)
{
    ASSERT_TRUE(StartSim({"--silent"}));
    const CtlRun run = RunCtl({"send", "reset_alarms", Line(), "--timeout", "300"});
    EXPECT_EQ(run.nExitCode, 2);
    EXPECT_EQ(run.strOut, QString());
    EXPECT_TRUE(run.strErr.startsWith(QLatin1String(
        "corvexctl: reset_alarms sent, but the unit did not answer the poll after it")))
        << run.strErr.toStdString();
    EXPECT_EQ(SimLog(), QByteArray("6w"));
}

TEST(CtlServerTest, AServerThatAnswersWithoutAFrameIsCritical)
{
    const struct
    {
        QByteArray reply;
        bool bClose;
        const char* pszReport;
    } cases[] = {
        // A serial-device server already serving another client says so in text.
        {"Port already in use\r\n", false,
         "21 bytes arrived from %1, not one 16-byte frame: \"Port already in use\""},
        {"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11", false,
         "17 bytes arrived from %1, not one 16-byte frame\n"},
        {"01234567", true, "no valid frame from %1 within 300 ms (8 bytes arrived): \"01234567\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszReport);
        CTcpPeer server;
        ASSERT_TRUE(server.Listen());
        QProcess ctl;
        ctl.start(QStringLiteral(CORVEXCTL_PATH),
                  {QStringLiteral("status"), server.Entry(), QStringLiteral("--timeout=300")});
        ASSERT_TRUE(server.Accept(5000));
        EXPECT_EQ(server.Read(), QByteArray("w"));
        ASSERT_TRUE(server.Write(c.reply));
        if (c.bClose)
            server.CloseConnection();
        ASSERT_TRUE(ctl.waitForFinished(10000));
        EXPECT_EQ(ctl.exitCode(), 2);
        const QString strOut = QString::fromUtf8(ctl.readAllStandardOutput());
        EXPECT_TRUE(strOut.startsWith(QStringLiteral("CORVEX CRITICAL - ")))
            << strOut.toStdString();
        EXPECT_TRUE(strOut.contains(QString::fromLatin1(c.pszReport).arg(server.Entry())))
            << strOut.toStdString();
    }
}

TEST_F(CtlTest, PortsThatDoNotOpenAreUnknown)
{
    ASSERT_TRUE(StartSim());
    CTcpPeer refusing;
    ASSERT_TRUE(refusing.Listen());
    refusing.CloseListener();
    const struct
    {
        QString strPort;
        const char* pszReason;
    } cases[] = {
        {QStringLiteral("/nonexistent/corvex-port"), "No such file or directory"},
        {refusing.Entry(), "refused"},
        {QStringLiteral("tcp:127.0.0.1"), "no port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strPort.toStdString());
        const CtlRun status = RunCtl({"status", c.strPort});
        EXPECT_EQ(status.nExitCode, 3);
        EXPECT_TRUE(status.FirstLine().startsWith(
            QStringLiteral("CORVEX UNKNOWN - %1 does not open: ").arg(c.strPort)));
        EXPECT_TRUE(status.FirstLine().contains(QLatin1String(c.pszReason)))
            << status.FirstLine().toStdString();
        const CtlRun send = RunCtl({"send", "mute", c.strPort});
        EXPECT_EQ(send.nExitCode, 3);
        EXPECT_TRUE(send.strErr.contains(QLatin1String(c.pszReason))) << send.strErr.toStdString();
    }
    EXPECT_EQ(SimLog(), QByteArray());
}

TEST_F(CtlTest, BadArgumentsAreUnknownWithOneLineSaying)
{
    const struct
    {
        QStringList args;
        const char* pszMessage;
    } cases[] = {
        {{}, "missing command"},
        {{"stats", "/dev/null"}, "unknown command \"stats\""},
        {{"status"}, "status: missing PORT"},
        {{"status", "/dev/a", "/dev/b"}, "status takes one PORT"},
        {{"status", "3"}, "PORT \"3\" is not a device path"},
        {{"status", "/dev/a", "--timeout"}, "Missing value after '--timeout'"},
        {{"status", "/dev/a", "--timeout", "0"}, "--timeout: \"0\" is not a number"},
        {{"status", "/dev/a", "--timeout", "600001"}, "from 1 to 600000"},
        {{"status", "/dev/a", "--timeout", "2s"}, "--timeout: \"2s\""},
        {{"status", "/dev/a", "--verbose"}, "Unknown option 'verbose'"},
        {{"send", "mute"}, "send: missing COMMAND or PORT"},
        {{"send", "toggle_mute", "/dev/a"}, "unknown command \"toggle_mute\"; one of power_up, "},
        {{"send", "mute", "/dev/a", "/dev/b"}, "send takes one COMMAND and one PORT"},
        {{"send", "mute", "/dev/a", "--json"}, "--json goes with status only"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CtlRun run = RunCtl(c.args);
        EXPECT_EQ(run.nExitCode, 3);
        EXPECT_TRUE(run.strOut.isEmpty()) << run.strOut.toStdString();
        EXPECT_TRUE(run.strErr.startsWith(QLatin1String("corvexctl: ")));
        EXPECT_TRUE(run.strErr.contains(QLatin1String(c.pszMessage))) << run.strErr.toStdString();
        EXPECT_TRUE(run.strErr.endsWith(QLatin1String(" (see corvexctl --help)\n")));
        EXPECT_EQ(run.strErr.count(QLatin1Char('\n')), 1);
    }
}

TEST_F(CtlTest, HelpAndVersion)
{
    const CtlRun help = RunCtl({"--help"});
    EXPECT_EQ(help.nExitCode, 0);
    EXPECT_TRUE(help.strOut.startsWith(QLatin1String("Usage: corvexctl status PORT")));
    for (const char* pszName : {"power_up", "power_down", "frequency_up", "frequency_down", "mute",
                                "unmute", "reset_alarms", "tcp:HOST:PORT"})
        EXPECT_TRUE(help.strOut.contains(QLatin1String(pszName))) << pszName;
    const CtlRun version = RunCtl({"status", "--version"});
    EXPECT_EQ(version.nExitCode, 0);
    EXPECT_EQ(version.strOut, QStringLiteral("corvexctl " CORVEX_VERSION "\n"));
}

// A serial-device server may drop the last byte of a connection that closes at once, so send
// waits for the reply to a poll after the command before it reports success.
TEST_F(CtlTest, SendWritesTheNamedCommandByteAndAPollThatConfirmsIt)
{
    ASSERT_TRUE(StartSim());
    const struct
    {
        const char* pszName;
        char byte;
    } cases[] = {{"power_up", '3'},       {"power_down", '4'}, {"frequency_up", '1'},
                 {"frequency_down", '2'}, {"mute", 'o'},       {"unmute", 'f'},
                 {"reset_alarms", '6'}};
    QByteArray expected;
    for (const auto& c : cases) {
        const CtlRun run = RunCtl({"send", c.pszName, Line()});
        EXPECT_EQ(run.nExitCode, 0) << c.pszName << run.strErr.toStdString();
        EXPECT_EQ(run.strOut + run.strErr, QString()) << c.pszName;
        expected += QByteArray(1, c.byte) + 'w';
        EXPECT_EQ(SimLog(), expected) << c.pszName;
    }
    const CtlRun run = RunCtl({"status", Line()});
    EXPECT_EQ(run.nExitCode, 0) << run.FirstLine().toStdString(); // unmuted, alarms reset
    EXPECT_TRUE(run.FirstLine().contains(QLatin1String("frequency_mhz=98.5")));
}

TEST_F(CtlTest, WorksThroughSer2net)
{
    if (CSer2netProcess::Program().isEmpty())
        GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
    ASSERT_TRUE(StartSim({"--forward", "100"}));
    CSer2netProcess ser2net;
    ASSERT_TRUE(ser2net.Start(Line())) << ser2net.ErrorString().toStdString();
    const CtlRun before = RunCtl({"status", ser2net.Entry()});
    EXPECT_EQ(before.nExitCode, 0) << before.strOut.toStdString();
    EXPECT_TRUE(before.FirstLine().contains(QLatin1String("| forward_power_w=10 ")));
    const CtlRun send = RunCtl({"send", "power_up", ser2net.Entry()});
    EXPECT_EQ(send.nExitCode, 0) << send.strErr.toStdString();
    EXPECT_EQ(SimLog(), QByteArray("w3w"));
    const CtlRun after = RunCtl({"status", ser2net.Entry(), "--json"});
    EXPECT_EQ(after.nExitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(after.strOut.toUtf8())["forward_power_w"].toDouble(), 10.1);
}

// A monitoring host needs no GUI library: the program links Qt Core, Serial Port and Network.
TEST(CtlLibraries, NoGuiLibraryIsLinked)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(CORVEXCTL_PATH)});
    if (!ldd.waitForFinished(10000) || ldd.exitCode() != 0)
        GTEST_SKIP() << "ldd does not run here";
    const QString strLibraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    for (const char* pszNeeded : {"libQt6Core.so", "libQt6SerialPort.so", "libQt6Network.so"})
        EXPECT_TRUE(strLibraries.contains(QLatin1String(pszNeeded))) << pszNeeded;
    for (const char* pszGui : {"libQt6Gui", "libQt6Widgets", "libGL", "libX11", "libxcb"})
        EXPECT_FALSE(strLibraries.contains(QLatin1String(pszGui))) << pszGui;
}

} // namespace
