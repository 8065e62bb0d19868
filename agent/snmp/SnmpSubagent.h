#pragma once

#include "CorvexMib.h"
#include "MasterProbe.h"
#include "SnmpPump.h"
#include "SnmpUnitRow.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <set>
#include <vector>

struct netsnmp_mib_handler_s;
struct netsnmp_handler_registration_s;
struct netsnmp_agent_request_info_s;
struct netsnmp_request_info_s;

// The agent's SNMP side: an AgentX subagent of the site's snmpd that serves corvexUnitTable of
// CORVEX-CONTROL-MIB and sends its notifications through the master, so that the station's own
// SNMP access control and trap destinations apply and the agent opens no SNMP port itself.
//
// Everything runs on the thread of the Qt event loop (see CSnmpPump). Requests are answered
// from the rows that the row source returns at that moment, which must come from memory. When
// the master is absent or goes away, that is logged once and net-snmp tries again every
// kPingIntervalS seconds until the master is back. net-snmp makes its exchanges with the master
// (opening, pings every kPingIntervalS seconds of silence, registration, closing) without
// returning to the loop: each waits at most kMasterTimeoutMs, after which the master counts as
// gone. Nothing can be written.
//
// net-snmp also connects to the master with a blocking connect(), which a master that hangs
// with its socket open (a stopped snmpd, one stuck in a MIB module) would hold for good once
// its listen queue is full. So the library only reaches for the master after CMasterProbe has
// had an answer from it without blocking; until then its attempts go to an address that fails
// at once. The probe runs every kProbeIntervalMs while the subagent is not connected.
//
// net-snmp keeps its state in globals: there can be one subagent per process, and once it has
// been started and stopped the library cannot start again in the same process.
class CSnmpSubagent : public QObject
{
    Q_OBJECT

public:
    using RowSource = std::function<std::vector<SnmpUnitRow>()>;

    static constexpr int kPingIntervalS = 2;
    static constexpr int kMasterTimeoutMs = 200;
    static constexpr int kProbeIntervalMs = 500;

    // strMaster: the master's AgentX address, a socket path or tcp:HOST:PORT.
    CSnmpSubagent(const QString& strMaster, RowSource source, QObject* pParent = nullptr);
    // Leaves the master and shuts net-snmp down.
    ~CSnmpSubagent() override;

    // Checks the form of a master address; false with the reason in strError.
    static bool CheckMasterAddress(const QString& strMaster, QString& strError);

    // False once a subagent has been started in this process: a change of the master's
    // address needs a new process.
    static bool CanStartInThisProcess();

    // Starts the subagent and tries to reach the master; an absent master is no failure. False
    // with the reason when the address is malformed, another subagent was started in this
    // process, or net-snmp does not start.
    bool Start(QString& strError);

    bool IsConnected() const { return m_bConnected; }

    // Sends the notification with the unit's name and the changed value, through the master.
    // False (and logged) when no master is connected: the notification is lost.
    bool Notify(CorvexMib::Notification notification, const SnmpUnitRow& row);

signals:
    void ConnectedChanged(bool bConnected);

private:
    static int OnSessionInit(int, int, void* pServerArg, void*);
    static int OnSessionStart(int, int, void*, void*);
    static int OnSessionStop(int, int, void*, void*);
    static int OnLogMessage(int, int, void* pServerArg, void*);
    static int Handle(netsnmp_mib_handler_s* pHandler,
                      netsnmp_handler_registration_s* pRegistration,
                      netsnmp_agent_request_info_s* pRequestInfo,
                      netsnmp_request_info_s* pRequests);

    void OnProbed(bool bAlive);
    void SetLibraryMaster(bool bReal);
    void SetConnected(bool bConnected);
    void ReportDropped(const QStringList& names);
    void LogLibraryMessage(int nPriority, const char* pszText);

    QString m_strMaster;
    QTemporaryDir m_stateDir; // where net-snmp keeps what it insists on keeping
    RowSource m_source;
    CSnmpPump m_pump;
    CMasterProbe m_probe;
    QTimer m_probeTimer; // probes the master while the subagent is not connected
    bool m_bStarted = false;
    bool m_bLibraryReady = false; // init_snmp() has run
    bool m_bConnected = false;
    bool m_bAbsenceReported = false;
    QByteArray m_logLine;                // net-snmp's log text until its end of line
    std::set<QString> m_reportedDropped; // rows left out of the table, each logged once
};
