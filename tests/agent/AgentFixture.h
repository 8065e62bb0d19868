#pragma once

// Shared fixture of the agent tests: simulators on pseudo-terminals reached through symbolic
// links in a temporary folder (so that a unit can go away and come back at the same path),
// configuration files written there, and the agent run in the test's own process on its real
// timers, with its HTTP server and shared lines on ports the system chooses.
//
//   StartSim("tx1", {"--preset", "amplifier"});     // the unit's line is Path("tx1")
//   StartAgent(UnitSection("tx1"));                 // [agent] http = 127.0.0.1:0 plus units
//   ASSERT_TRUE(WaitForState("tx1", CUnitPoller::State::Online));
//   HttpReply reply = Http().Get("/api/v1/units/tx1");

#include "Agent.h"
#include "HttpClient.h"
#include "SimLog.h"
#include "SimProcess.h"
#include "UnitPoller.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <map>
#include <memory>

class CAgentFixture : public ::testing::Test
{
protected:
    // Time for a unit to reach a state: the miss limit (2.9 s) plus a back-off and a margin.
    static constexpr int kStateTimeoutMs = 10000;

    void SetUp() override { ASSERT_TRUE(m_dirTemp.isValid()); }

    void TearDown() override
    {
        m_pAgent.reset();
        m_sims.clear();
    }

    QString Path(const QString& strName) const { return m_dirTemp.filePath(strName); }
    QString LogPath(const QString& strName) const { return Path(strName + QStringLiteral(".log")); }

    // Starts a simulator whose line appears at Path(strName); false (and a failure) if it
    // does not come up.
    bool StartSim(const QString& strName, const QStringList& options = {})
    {
        auto& pSim = m_sims[strName];
        pSim = std::make_unique<CSimProcess>();
        pSim->Process().setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QStringList args = options + QStringList{QStringLiteral("--link"), Path(strName),
                                                       QStringLiteral("--log"), LogPath(strName)};
        if (!pSim->Start(args)) {
            ADD_FAILURE() << "corvex-sim did not start with " << args.join(' ').toStdString();
            return false;
        }
        return true;
    }

    void StopSim(const QString& strName) { m_sims.at(strName)->Stop(); }
    CSimProcess& Sim(const QString& strName) { return *m_sims.at(strName); }
    QByteArray SimReceived(const QString& strName) const { return SimLogBytes(LogPath(strName)); }

    // A unit section on the simulator's line, with extra "key = value" lines.
    QString UnitSection(const QString& strName, const QString& strExtra = QString()) const
    {
        return UnitSectionOn(strName, Path(strName), strExtra);
    }

    // A unit section on another port (tcp:HOST:PORT).
    static QString UnitSectionOn(const QString& strName, const QString& strPort,
                                 const QString& strExtra = QString())
    {
        return QStringLiteral("[%1]\nport = %2\n%3\n").arg(strName, strPort, strExtra);
    }

    QString WriteConfig(const QString& strText,
                        const QString& strFile = QStringLiteral("agent.conf"))
    {
        const QString strPath = Path(strFile);
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            ADD_FAILURE() << "cannot write " << strPath.toStdString();
        file.write(strText.toUtf8());
        return strPath;
    }

    // Runs the agent on [agent] lines (HTTP on a port the system chooses unless they say
    // otherwise) followed by the unit sections.
    CAgent& StartAgent(const QString& strUnits, const QString& strAgentLines = QString())
    {
        QString strText = QStringLiteral("[agent]\n");
        if (!strAgentLines.contains(QLatin1String("http")))
            strText += QStringLiteral("http = 127.0.0.1:0\n");
        strText += strAgentLines + QLatin1Char('\n') + strUnits;
        AgentConfig config;
        QStringList errors;
        if (!AgentConfig::Load(WriteConfig(strText), config, errors))
            ADD_FAILURE() << errors.join('\n').toStdString();
        m_pAgent = std::make_unique<CAgent>();
        if (!m_pAgent->Apply(config, errors))
            ADD_FAILURE() << errors.join('\n').toStdString();
        m_http.SetPort(m_pAgent->HttpPort());
        return *m_pAgent;
    }

    CAgent& Agent() { return *m_pAgent; }
    CUnitPoller& Unit(const QString& strName) { return *m_pAgent->FindUnit(strName); }
    CHttpClient& Http() { return m_http; }

    bool WaitForState(const QString& strName, CUnitPoller::State state,
                      int nTimeoutMs = kStateTimeoutMs)
    {
        return WaitUntil([&] { return Unit(strName).GetState() == state; }, nTimeoutMs);
    }

    // The kinds of the unit's events so far, oldest first.
    QStringList EventKinds(const QString& strName)
    {
        QStringList kinds;
        for (const AgentEvent& event : m_pAgent->Events().Since(0, CEventLog::kMaxQuery)) {
            if (event.strUnit == strName)
                kinds.append(event.strKind);
        }
        return kinds;
    }

    bool WaitForEvent(const QString& strName, const QString& strKind,
                      int nTimeoutMs = kStateTimeoutMs)
    {
        return WaitUntil([&] { return EventKinds(strName).contains(strKind); }, nTimeoutMs);
    }

    QTemporaryDir m_dirTemp;

private:
    std::map<QString, std::unique_ptr<CSimProcess>> m_sims;
    std::unique_ptr<CAgent> m_pAgent;
    CHttpClient m_http;
};
