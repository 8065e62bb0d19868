#pragma once

#include "ChildProcess.h"
#include "CorvexMib.h"
#include "SnmpUnitRow.h"
#include "UnitState.h"
#include "WaitUntil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <ostream>
#include <vector>

#include <signal.h>
#include <sys/types.h>

// Failed expectations show texts as text.
inline void PrintTo(const QString& strText, std::ostream* pOut)
{
    *pOut << '"' << strText.toStdString() << '"';
}

// The SNMP tools and daemons from Debian, run by the tests on 127.0.0.1 with configurations of
// their own in a temporary folder: never the machine's snmpd, its files or its ports.
namespace SnmpTest {

// The community that the test master grants read access to, from 127.0.0.1 only.
inline const QString kCommunity = QStringLiteral("corvex-test");

inline const QString kTable = QStringLiteral("CORVEX-CONTROL-MIB::corvexUnitTable");

// The columns of the table by name, in the MIB's order.
inline const char* const kColumns[] = {
    "corvexUnitName",           "corvexUnitState",         "corvexUnitModel",
    "corvexUnitModelCode",      "corvexUnitForwardPower",  "corvexUnitReflectedPower",
    "corvexUnitPaTemperature",  "corvexUnitPaVoltage",     "corvexUnitAuxVoltage",
    "corvexUnitPeakDeviation",  "corvexUnitGainReduction", "corvexUnitFrequency",
    "corvexUnitPllLocked",      "corvexUnitRfFail",        "corvexUnitPllFail",
    "corvexUnitModulationFail", "corvexUnitMuted",         "corvexUnitFrames",
    "corvexUnitMissedPolls",    "corvexUnitFrameAge",
};

// The columns that every row serves, whatever its state (the frame age once a frame came).
inline const QStringList kAlwaysServed{
    QStringLiteral("corvexUnitName"), QStringLiteral("corvexUnitState"),
    QStringLiteral("corvexUnitFrames"), QStringLiteral("corvexUnitMissedPolls"),
    QStringLiteral("corvexUnitFrameAge")};

// A cell by name as snmpwalk -Os writes it: "corvexUnitState.7".
inline QString Cell(const char* pszColumn, qint32 nIndex)
{
    return QStringLiteral("%1.%2").arg(QLatin1String(pszColumn)).arg(nIndex);
}

inline QString Dotted(const CorvexMib::Oid& oid)
{
    QString strDotted;
    for (const quint32 id : oid)
        strDotted += QLatin1Char('.') + QString::number(id);
    return strDotted;
}

// A cell by number as snmptrapd -On writes it.
inline QString NumericCell(CorvexMib::Column column, qint32 nIndex)
{
    return Dotted(CorvexMib::ColumnOid(column)) + QLatin1Char('.') + QString::number(nIndex);
}

// A program of the net-snmp or libsmi tools, or empty when it is not installed.
inline QString Tool(const QString& strName)
{
    return QStandardPaths::findExecutable(strName,
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/sbin"), QStringLiteral("/bin")});
}

// Where the standard SMIv2 modules (SNMPv2-SMI, SNMPv2-TC, SNMPv2-CONF, SNMP-FRAMEWORK-MIB)
// are; Debian ships them in main only with erlang-snmp. Empty when they are missing.
inline QString StandardMibDir()
{
    const QDir lib(QStringLiteral("/usr/lib/erlang/lib"));
    const QStringList versions =
        lib.entryList({QStringLiteral("snmp-*")}, QDir::Dirs, QDir::Name | QDir::Reversed);
    for (const QString& strVersion : versions) {
        const QString strDir = lib.filePath(strVersion + QStringLiteral("/mibs"));
        if (QFile::exists(strDir + QStringLiteral("/SNMPv2-SMI.mib")))
            return strDir;
    }
    return {};
}

// The reason why the end-to-end tests cannot run here, or empty.
inline QString MissingForEndToEnd()
{
    for (const char* pszTool : {"snmpd", "snmptrapd", "snmpwalk", "snmpget"}) {
        if (Tool(QLatin1String(pszTool)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/install-deps)").arg(pszTool);
    }
    if (StandardMibDir().isEmpty())
        return QStringLiteral("the standard MIB modules of erlang-snmp are not installed "
                              "(scripts/install-deps)");
    return {};
}

// A UDP port on 127.0.0.1 that nothing uses at the moment.
inline quint16 FreeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return socket.localPort();
}

// The longest time the event loop went without serving a timer that should fire every
// periodMs, from construction on.
class CLoopPauseMeter
{
public:
    explicit CLoopPauseMeter(int periodMs)
    {
        m_since.start();
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_nLongestMs = std::max(m_nLongestMs, m_since.restart()); });
        m_timer.start(periodMs);
    }
    qint64 LongestMs() const { return m_nLongestMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_nLongestMs = 0;
};

// A unit as the simulator plays it (UnitState), with the frame it would send.
inline SnmpUnitRow SimulatedRow(const QString& strName, qint32 nIndex, const UnitState& unit,
                                SnmpUnitRow::State state = SnmpUnitRow::State::Online)
{
    SnmpUnitRow row;
    row.nIndex = nIndex;
    row.strName = strName;
    row.state = state;
    const UnitState::Frame bytes = unit.ToFrame();
    row.frame = StatusFrame::Decode(bytes.data());
    row.nFrames = 1234;
    row.nMissedPolls = 2;
    row.nFrameAgeMs = 60;
    return row;
}

struct ToolResult
{
    bool bFinished = false;
    int nExitCode = -1;
    QString strOut;
    QString strErr;
};

// Runs a program to its end while the event loop goes on, so that a subagent served by this
// thread can answer it.
inline ToolResult RunTool(const QString& strProgram, const QStringList& args,
                          const QProcessEnvironment& env, int timeoutMs = 20000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(strProgram, args);
    ToolResult result;
    if (!process.waitForStarted(5000))
        return result;
    result.bFinished =
        WaitUntil([&process] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    if (!result.bFinished) {
        process.kill();
        process.waitForFinished(3000);
    }
    result.nExitCode = process.exitCode();
    result.strOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// One line of snmpwalk or snmpget output with -Os: "corvexUnitState.7 = INTEGER: online(2)"
// becomes {"corvexUnitState.7", "INTEGER: online(2)"}. Lines that do not have that form are
// left out.
inline std::map<QString, QString> ParseVariables(const QString& strOutput)
{
    std::map<QString, QString> variables;
    for (const QString& strLine : strOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype equals = strLine.indexOf(QStringLiteral(" = "));
        if (equals > 0)
            variables[strLine.left(equals).trimmed()] = strLine.mid(equals + 3).trimmed();
    }
    return variables;
}

// What the tools print for a cell that a row does not serve.
inline const QString kNoSuchInstance =
    QStringLiteral("No Such Instance currently exists at this OID");

// A cell of a walk or get and the value the tool printed for it.
using CellValue = std::pair<QString, QString>;

// Every expected cell is in cells, with its value.
inline void ExpectCells(const std::map<QString, QString>& cells,
                        const std::vector<CellValue>& expected)
{
    for (const auto& [strCell, strValue] : expected) {
        const auto it = cells.find(strCell);
        if (it == cells.end())
            ADD_FAILURE() << "no " << strCell.toStdString();
        else
            EXPECT_EQ(it->second, strValue) << strCell.toStdString();
    }
}

// An snmpd acting as AgentX master, with its AgentX socket in a temporary folder, and an
// snmptrapd that receives what the master's trap2sink sends. Both are ended with the object
// and with a test run that dies.
class CSnmpDaemons
{
public:
    CSnmpDaemons()
    {
        m_strConfDir = m_dir.filePath(QStringLiteral("conf")); // empty: no snmp.conf read
        QDir().mkpath(m_strConfDir);
        m_nAgentPort = FreeUdpPort();
        m_nTrapPort = FreeUdpPort();
    }
    ~CSnmpDaemons()
    {
        Stop(m_master);
        Stop(m_trapReceiver);
    }
    CSnmpDaemons(const CSnmpDaemons&) = delete;
    CSnmpDaemons& operator=(const CSnmpDaemons&) = delete;

    // The master's AgentX address: a socket in the temporary folder, or after UseTcpForAgentX()
    // a TCP port on 127.0.0.1.
    QString AgentXSocket() const
    {
        if (m_nAgentXTcpPort)
            return QStringLiteral("tcp:127.0.0.1:%1").arg(m_nAgentXTcpPort);
        return m_dir.filePath(QStringLiteral("agentx.sock"));
    }
    void UseTcpForAgentX()
    {
        QTcpServer server;
        server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        m_nAgentXTcpPort = server.serverPort();
    }
    QString MibDirs() const
    {
        return StandardMibDir() + QLatin1Char(':') + QStringLiteral(CORVEX_MIB_DIR);
    }

    // The environment of every daemon and tool: configuration and state in the temporary
    // folder, and no MIB files unless a command line names them.
    QProcessEnvironment Environment(const QString& strWho) const
    {
        const QString strStateDir = m_dir.filePath(strWho);
        // Made beforehand, so that the tools do not say that they made it.
        QDir().mkpath(strStateDir + QStringLiteral("/cert_indexes"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SNMPCONFPATH"), m_strConfDir);
        env.insert(QStringLiteral("SNMP_PERSISTENT_DIR"), strStateDir);
        env.insert(QStringLiteral("MIBS"), QString());
        env.insert(QStringLiteral("MIBDIRS"), QString());
        return env;
    }

    // Starts snmpd as master on AgentXSocket() and an SNMP port on 127.0.0.1, and waits until
    // it serves.
    bool StartMaster(QString& strError)
    {
        return StartMasterWith(QStringLiteral("agentaddress %1\n"
                                              "master agentx\n"
                                              "agentXSocket %2\n"
                                              "rocommunity %3 127.0.0.1\n"
                                              "trap2sink 127.0.0.1:%4 %3\n")
                                   .arg(AgentAddress(), AgentXSocket(), kCommunity)
                                   .arg(m_nTrapPort),
                               strError);
    }

    // The master's SNMP address, for a configuration of the caller's own.
    QString AgentAddress() const { return QStringLiteral("udp:127.0.0.1:%1").arg(m_nAgentPort); }

    // Starts snmpd as master with the given configuration, which must listen on AgentAddress()
    // and serve AgentX on AgentXSocket(), and waits until it serves.
    bool StartMasterWith(const QString& strConfigText, QString& strError)
    {
        const QString strConfig = m_dir.filePath(QStringLiteral("snmpd.conf"));
        WriteFile(strConfig, strConfigText);
        // -I -smux: the SMUX module would listen on TCP port 199.
        return Start(m_master, QStringLiteral("snmpd"),
                     {QStringLiteral("-f"), QStringLiteral("-Lo"), QStringLiteral("-C"),
                      QStringLiteral("-c"), strConfig, QStringLiteral("-I"),
                      QStringLiteral("-smux")},
                     strError) &&
               WaitFor(
                   m_master, [this] { return m_nAgentXTcpPort || QFile::exists(AgentXSocket()); },
                   strError);
    }

    void StopMaster() { Stop(m_master); }

    // Stops the master's process where it stands (SIGSTOP), or lets it go on (SIGCONT).
    // Returns once the kernel shows the process stopped or running again.
    bool PauseMaster(bool bPause)
    {
        const qint64 pid = m_master.processId();
        if (pid <= 0 || ::kill(pid_t(pid), bPause ? SIGSTOP : SIGCONT) != 0)
            return false;
        const QString strStat = QStringLiteral("/proc/%1/stat").arg(pid);
        return WaitUntil(
            [&] {
                QFile stat(strStat);
                if (!stat.open(QIODevice::ReadOnly))
                    return false;
                // "PID (NAME) STATE ...": T while stopped.
                const QByteArray text = stat.readAll();
                const qsizetype end = text.lastIndexOf(')');
                return end > 0 && end + 2 < text.size() && (text[end + 2] == 'T') == bPause;
            },
            5000);
    }

    // Starts snmptrapd on 127.0.0.1, one line per notification on its output.
    bool StartTrapReceiver(QString& strError)
    {
        const QString strConfig = m_dir.filePath(QStringLiteral("snmptrapd.conf"));
        WriteFile(strConfig, QStringLiteral("authCommunity log %1\n").arg(kCommunity));
        return Start(m_trapReceiver, QStringLiteral("snmptrapd"),
                     {QStringLiteral("-f"), QStringLiteral("-Lo"), QStringLiteral("-C"),
                      QStringLiteral("-c"), strConfig, QStringLiteral("-On"), QStringLiteral("-F"),
                      QStringLiteral("TRAP\\t%v\\n"),
                      QStringLiteral("udp:127.0.0.1:%1").arg(m_nTrapPort)},
                     strError);
    }

    // snmpwalk (or snmpget) against the master, with CORVEX-CONTROL-MIB loaded.
    ToolResult Query(const QString& strTool, const QStringList& objects,
                     const QString& strCommunity = kCommunity) const
    {
        QStringList args{QStringLiteral("-v2c"),
                         QStringLiteral("-c"),
                         strCommunity,
                         QStringLiteral("-t"),
                         QStringLiteral("5"),
                         QStringLiteral("-r"),
                         QStringLiteral("1"),
                         QStringLiteral("-M"),
                         MibDirs(),
                         QStringLiteral("-m"),
                         QStringLiteral("CORVEX-CONTROL-MIB"),
                         QStringLiteral("-Os"),
                         QStringLiteral("127.0.0.1:%1").arg(m_nAgentPort)};
        return RunTool(Tool(strTool), args + objects, Environment(QStringLiteral("tools")));
    }

    // The cells of a walk of the unit table.
    std::map<QString, QString> WalkTable() const
    {
        const ToolResult result = Query(QStringLiteral("snmpwalk"), {kTable});
        EXPECT_TRUE(result.bFinished);
        EXPECT_EQ(result.nExitCode, 0) << result.strErr.toStdString();
        return ParseVariables(result.strOut);
    }

    // A GET of the columns' cells of one row answers noSuchInstance for each.
    void ExpectNoSuchInstance(qint32 nIndex, std::initializer_list<const char*> columns) const
    {
        QStringList objects;
        std::vector<CellValue> expected;
        for (const char* pszColumn : columns) {
            objects.append(QStringLiteral("CORVEX-CONTROL-MIB::") + Cell(pszColumn, nIndex));
            expected.emplace_back(Cell(pszColumn, nIndex), kNoSuchInstance);
        }
        ExpectCells(ParseVariables(Query(QStringLiteral("snmpget"), objects).strOut), expected);
    }

    // The notifications received so far, each as its variables by numeric OID.
    std::vector<std::map<QString, QString>> Traps()
    {
        m_trapOutput += QString::fromLocal8Bit(m_trapReceiver.readAllStandardOutput());
        std::vector<std::map<QString, QString>> traps;
        for (const QString& strLine : m_trapOutput.split(QLatin1Char('\n'))) {
            if (!strLine.startsWith(QStringLiteral("TRAP\t")))
                continue;
            QString strVariables = strLine.mid(5);
            strVariables.replace(QLatin1Char('\t'), QLatin1Char('\n'));
            traps.push_back(ParseVariables(strVariables));
        }
        return traps;
    }

    // The first notification received after the first nAlready whose snmpTrapOID is the given
    // one, waited for at most timeoutMs; empty when none came.
    std::map<QString, QString> WaitForTrap(CorvexMib::Notification notification, size_t nAlready,
                                           int timeoutMs)
    {
        const QString strTrapOid =
            QStringLiteral("OID: ") + Dotted(CorvexMib::NotificationOid(notification));
        std::map<QString, QString> found;
        WaitUntil(
            [&] {
                const auto traps = Traps();
                for (size_t i = nAlready; i < traps.size(); ++i) {
                    const auto it = traps[i].find(QStringLiteral(".1.3.6.1.6.3.1.1.4.1.0"));
                    if (it != traps[i].end() && it->second == strTrapOid) {
                        found = traps[i];
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }

private:
    static void WriteFile(const QString& strPath, const QString& strText)
    {
        QFile file(strPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(strText.toUtf8());
    }

    // Starts the daemon and waits until it says that it runs.
    bool Start(QProcess& process, const QString& strName, const QStringList& args,
               QString& strError)
    {
        process.setProcessEnvironment(Environment(strName));
        process.setProcessChannelMode(QProcess::MergedChannels);
        EndWithTestRun(process);
        process.start(Tool(strName), args);
        if (!process.waitForStarted(5000)) {
            strError = QStringLiteral("%1 did not start: %2").arg(strName, process.errorString());
            return false;
        }
        QByteArray output;
        const bool bRunning = WaitUntil(
            [&] {
                output += process.readAll();
                return output.contains("NET-SNMP version") ||
                       process.state() == QProcess::NotRunning;
            },
            15000);
        if (bRunning && process.state() == QProcess::Running) {
            if (&process == &m_trapReceiver)
                m_trapOutput += QString::fromLocal8Bit(output);
            return true;
        }
        strError = QStringLiteral("%1 did not come up:\n%2")
                       .arg(strName, QString::fromLocal8Bit(output.right(2000)));
        Stop(process);
        return false;
    }

    template <typename Ready> bool WaitFor(QProcess& process, Ready ready, QString& strError)
    {
        if (WaitUntil([&] { return ready() || process.state() != QProcess::Running; }, 15000) &&
            process.state() == QProcess::Running)
            return true;
        strError = QStringLiteral("snmpd did not open its AgentX socket:\n%1")
                       .arg(QString::fromLocal8Bit(process.readAll().right(2000)));
        return false;
    }

    static void Stop(QProcess& process)
    {
        if (process.state() != QProcess::NotRunning)
            ::kill(pid_t(process.processId()), SIGCONT); // a paused daemon could not end
        StopProcess(process);
    }

    QTemporaryDir m_dir;
    QString m_strConfDir;
    quint16 m_nAgentPort = 0;
    quint16 m_nTrapPort = 0;
    quint16 m_nAgentXTcpPort = 0; // 0: AgentX over a socket in the folder
    QProcess m_master;
    QProcess m_trapReceiver;
    QString m_trapOutput;
};

} // namespace SnmpTest
