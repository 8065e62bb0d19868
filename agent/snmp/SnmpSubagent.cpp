#include "SnmpSubagent.h"

#include "UnitTable.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>

// net-snmp wants its configuration header first, then the rest in this order.
#include <net-snmp/net-snmp-config.h>

#include <net-snmp/net-snmp-includes.h>

#include <net-snmp/agent/agent_callbacks.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>

#include <signal.h>

Q_LOGGING_CATEGORY(lcSnmp, "corvex.agent.snmp", QtInfoMsg)

namespace {

// The name under which net-snmp knows this program; it would look for configuration files of
// that name, which the subagent tells it not to read.
constexpr char kAppName[] = "corvex-agent";

// The one subagent of the process, for net-snmp's callbacks, which take no object.
CSnmpSubagent* s_pInstance = nullptr;
// net-snmp cannot be started again once it has been shut down.
bool s_bLibraryUsed = false;

std::vector<oid> ToOid(const CorvexMib::Oid& ids)
{
    return std::vector<oid>(ids.begin(), ids.end());
}

std::vector<oid> CellOid(CorvexMib::Column column, qint32 nIndex)
{
    std::vector<oid> name = ToOid(CorvexMib::ColumnOid(column));
    name.push_back(static_cast<oid>(nIndex));
    return name;
}

void SetValue(netsnmp_variable_list* pVar, const CorvexMib::Value& value)
{
    using Type = CorvexMib::Value::Type;
    switch (value.type) {
    case Type::Integer: {
        const long n = static_cast<long>(value.nNumber);
        snmp_set_var_typed_value(pVar, ASN_INTEGER, &n, sizeof(n));
        break;
    }
    case Type::OctetString:
        snmp_set_var_typed_value(pVar, ASN_OCTET_STR, value.octets.constData(),
                                 static_cast<size_t>(value.octets.size()));
        break;
    case Type::Gauge32: {
        const u_long n = static_cast<u_long>(value.nNumber);
        snmp_set_var_typed_value(pVar, ASN_GAUGE, &n, sizeof(n));
        break;
    }
    case Type::Counter64: {
        counter64 n{};
        n.high = static_cast<u_long>(value.nCounter64 >> 32);
        n.low = static_cast<u_long>(value.nCounter64 & 0xFFFFFFFFu);
        snmp_set_var_typed_value(pVar, ASN_COUNTER64, &n, sizeof(n));
        break;
    }
    }
}

void AddVariable(netsnmp_variable_list** ppVars, const std::vector<oid>& name,
                 const CorvexMib::Value& value)
{
    netsnmp_variable_list* pVar =
        snmp_varlist_add_variable(ppVars, name.data(), name.size(), ASN_NULL, nullptr, 0);
    if (pVar)
        SetValue(pVar, value);
}

} // namespace

CSnmpSubagent::CSnmpSubagent(const QString& strMaster, RowSource source, QObject* pParent)
    : QObject(pParent), m_strMaster(strMaster), m_source(std::move(source)), m_probe(strMaster)
{
}

CSnmpSubagent::~CSnmpSubagent()
{
    if (!m_bStarted)
        return;
    m_probeTimer.stop();
    m_pump.Stop();
    snmp_shutdown(kAppName);
    shutdown_agent();
    s_pInstance = nullptr;
}

bool CSnmpSubagent::CheckMasterAddress(const QString& strMaster, QString& strError)
{
    static const QRegularExpression tcp(QStringLiteral("^tcp:(.+):([0-9]{1,5})$"));
    if (strMaster.startsWith(QLatin1Char('/'))) {
        if (strMaster.contains(QLatin1Char(':'))) {
            strError = QStringLiteral("the master's socket path '%1' contains ':'").arg(strMaster);
            return false;
        }
        return true;
    }
    const QRegularExpressionMatch match = tcp.match(strMaster);
    if (!match.hasMatch()) {
        strError = QStringLiteral("'%1' is neither a socket path (starting with /) nor "
                                  "tcp:HOST:PORT")
                       .arg(strMaster);
        return false;
    }
    const int nPort = match.captured(2).toInt();
    if (nPort < 1 || nPort > 65535) {
        strError = QStringLiteral("'%1': the port is not between 1 and 65535").arg(strMaster);
        return false;
    }
    return true;
}

bool CSnmpSubagent::CanStartInThisProcess()
{
    return !s_bLibraryUsed;
}

bool CSnmpSubagent::Start(QString& strError)
{
    if (m_bStarted)
        return true;
    if (!CheckMasterAddress(m_strMaster, strError))
        return false;
    if (!CanStartInThisProcess()) {
        strError = QStringLiteral("net-snmp serves one subagent per process, and it was "
                                  "started before");
        return false;
    }
    if (!m_stateDir.isValid()) {
        strError = QStringLiteral("cannot make a private directory for net-snmp: %1")
                       .arg(m_stateDir.errorString());
        return false;
    }
    s_bLibraryUsed = true;
    s_pInstance = this;

    // net-snmp writes to the master's socket with plain send(): a master that has just gone
    // away would end the whole process with SIGPIPE. A program that handles the signal keeps
    // its handler.
    struct sigaction current = {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, nullptr);
    }

    // Everything the library says goes to Qt's log, nothing to files, the terminal or syslog.
    snmp_disable_log();
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG);
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, &OnLogMessage, nullptr);
    // No configuration files are read and no state is stored: the agent's own configuration
    // says all there is to say.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    // The library makes an index of TLS certificates in its state directory even so: that goes
    // to a private directory that disappears with the subagent.
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR,
                          QFile::encodeName(m_stateDir.path()).constData());
    // A subagent has no use for MIB files: none is looked for, none is read.
    netsnmp_set_mib_directory("");
    static char mibs[] = "[snmp] mibs :";
    netsnmp_config_remember(mibs);
    // Alarms run from the pump's timer, not from SIGALRM.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_ALARM_DONT_USE_SIG, 1);
    // The library waits for the master's answer to its opening, its pings, its registrations
    // and its closing without returning to the loop: each session it makes gets a short
    // timeout and no retry, so that a master that hangs holds the loop briefly.
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_SESSION_INIT, &OnSessionInit,
                           nullptr);

    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 1);
    // The library would warn at every failed attempt; the subagent says it once.
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_NO_CONNECTION_WARNINGS, 1);
    snmp_register_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_INDEX_START, &OnSessionStart,
                           nullptr);
    snmp_register_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_INDEX_STOP, &OnSessionStop,
                           nullptr);

    if (init_agent(kAppName) != 0) {
        strError = QStringLiteral("net-snmp's agent library did not start");
        return false;
    }
    // After init_agent(), which sets its own default (15 s).
    netsnmp_ds_set_int(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_AGENTX_PING_INTERVAL,
                       kPingIntervalS);
    const std::vector<oid> table = ToOid(CorvexMib::UnitTable());
    netsnmp_handler_registration* pRegistration = netsnmp_create_handler_registration(
        "corvexUnitTable", &Handle, table.data(), table.size(), HANDLER_CAN_RONLY);
    if (!pRegistration || netsnmp_register_handler(pRegistration) != MIB_REGISTERED_OK) {
        strError = QStringLiteral("net-snmp did not take the unit table's registration");
        return false;
    }
    m_bStarted = true;
    // The library's first attempt, within init_snmp(), waits for the first probe's answer.
    connect(&m_probe, &CMasterProbe::Finished, this, &CSnmpSubagent::OnProbed);
    m_probeTimer.setInterval(kProbeIntervalMs);
    connect(&m_probeTimer, &QTimer::timeout, this, [this] { m_probe.Probe(kMasterTimeoutMs); });
    m_probeTimer.start();
    m_probe.Probe(kMasterTimeoutMs);
    return true;
}

void CSnmpSubagent::OnProbed(bool bAlive)
{
    SetLibraryMaster(bAlive);
    if (!bAlive && !m_bConnected && !m_bAbsenceReported) {
        qCWarning(lcSnmp).noquote()
            << QStringLiteral("no AgentX master answers at %1: trying again every %2 s")
                   .arg(m_strMaster)
                   .arg(kPingIntervalS);
        m_bAbsenceReported = true;
    }
    if (!m_bLibraryReady) {
        m_bLibraryReady = true;
        init_snmp(kAppName); // makes the first attempt
    }
    m_pump.Rearm();
}

void CSnmpSubagent::SetLibraryMaster(bool bReal)
{
    // net-snmp reads the master's address at each attempt; while the master does not answer,
    // the address is one that fails at once.
    const QByteArray address =
        QFile::encodeName(bReal ? m_strMaster : m_stateDir.filePath(QStringLiteral("no-master")));
    netsnmp_ds_set_string(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_X_SOCKET,
                          address.constData());
}

bool CSnmpSubagent::Notify(CorvexMib::Notification notification, const SnmpUnitRow& row)
{
    const std::vector<oid> trapOid = ToOid(CorvexMib::NotificationOid(notification));
    if (!m_bConnected) {
        qCWarning(lcSnmp).noquote()
            << QStringLiteral("notification %1 for unit %2 not sent: no AgentX master")
                   .arg(trapOid.back())
                   .arg(row.strName);
        return false;
    }
    static const oid kSnmpTrapOid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}; // snmpTrapOID.0
    netsnmp_variable_list* pVars = nullptr;
    snmp_varlist_add_variable(&pVars, kSnmpTrapOid, OID_LENGTH(kSnmpTrapOid), ASN_OBJECT_ID,
                              trapOid.data(), trapOid.size() * sizeof(oid));
    for (const CorvexMib::Column column :
         {CorvexMib::Column::Name, CorvexMib::NotificationColumn(notification)}) {
        const std::optional<CorvexMib::Value> value =
            CorvexMib::CellValue(row, column, CorvexMib::Serving::Any);
        if (value)
            AddVariable(&pVars, CellOid(column, row.nIndex), *value);
    }
    send_v2trap(pVars);
    snmp_free_varbind(pVars);
    m_pump.Rearm();
    return true;
}

int CSnmpSubagent::OnSessionInit(int, int, void* pServerArg, void*)
{
    auto* pSession = static_cast<netsnmp_session*>(pServerArg);
    pSession->timeout = kMasterTimeoutMs * 1000L; // microseconds
    pSession->retries = 0;
    return SNMPERR_SUCCESS;
}

int CSnmpSubagent::OnSessionStart(int, int, void*, void*)
{
    if (s_pInstance)
        s_pInstance->SetConnected(true);
    return SNMPERR_SUCCESS;
}

int CSnmpSubagent::OnSessionStop(int, int, void*, void*)
{
    if (s_pInstance)
        s_pInstance->SetConnected(false);
    return SNMPERR_SUCCESS;
}

int CSnmpSubagent::OnLogMessage(int, int, void* pServerArg, void*)
{
    const auto* pMessage = static_cast<const snmp_log_message*>(pServerArg);
    if (s_pInstance && pMessage && pMessage->msg)
        s_pInstance->LogLibraryMessage(pMessage->priority, pMessage->msg);
    return SNMPERR_SUCCESS;
}

int CSnmpSubagent::Handle(netsnmp_mib_handler*, netsnmp_handler_registration*,
                          netsnmp_agent_request_info* pRequestInfo, netsnmp_request_info* pRequests)
{
    const int nMode = pRequestInfo->mode;
    if (!s_pInstance || (nMode != MODE_GET && nMode != MODE_GETNEXT))
        return SNMP_ERR_GENERR; // sets are refused before they get here (read-only)

    const CUnitTable table(s_pInstance->m_source());
    s_pInstance->ReportDropped(table.Dropped());
    for (netsnmp_request_info* pRequest = pRequests; pRequest; pRequest = pRequest->next) {
        if (pRequest->processed)
            continue;
        netsnmp_variable_list* pVar = pRequest->requestvb;
        // AgentX carries sub-identifiers of 32 bits.
        const CorvexMib::Oid name(pVar->name, pVar->name + pVar->name_length);
        if (nMode == MODE_GET) {
            const auto result = table.Get(name);
            if (const auto* pValue = std::get_if<CorvexMib::Value>(&result))
                SetValue(pVar, *pValue);
            else if (std::get<CUnitTable::Miss>(result) == CUnitTable::Miss::NoSuchObject)
                netsnmp_set_request_error(pRequestInfo, pRequest, SNMP_NOSUCHOBJECT);
            else
                netsnmp_set_request_error(pRequestInfo, pRequest, SNMP_NOSUCHINSTANCE);
            continue;
        }
        const std::optional<CUnitTable::Cell> cell = table.Next(name);
        if (!cell)
            continue; // past the table: the agent goes on with the next subtree
        const std::vector<oid> next = ToOid(cell->oid);
        snmp_set_var_objid(pVar, next.data(), next.size());
        SetValue(pVar, cell->value);
    }
    return SNMP_ERR_NOERROR;
}

void CSnmpSubagent::SetConnected(bool bConnected)
{
    if (bConnected == m_bConnected)
        return;
    m_bConnected = bConnected;
    if (bConnected) {
        m_probeTimer.stop();
        qCInfo(lcSnmp).noquote()
            << QStringLiteral("connected to the AgentX master at %1").arg(m_strMaster);
        m_bAbsenceReported = false;
    } else {
        qCWarning(lcSnmp).noquote()
            << QStringLiteral("lost the AgentX master at %1: trying again every %2 s")
                   .arg(m_strMaster)
                   .arg(kPingIntervalS);
        m_bAbsenceReported = true;
        // The library's next attempt waits until the master answers a probe again.
        SetLibraryMaster(false);
        m_probeTimer.start();
    }
    emit ConnectedChanged(bConnected);
}

void CSnmpSubagent::ReportDropped(const QStringList& names)
{
    for (const QString& strName : names) {
        if (m_reportedDropped.insert(strName).second)
            qCWarning(lcSnmp).noquote()
                << QStringLiteral("unit %1 left out of the table: its index is not free")
                       .arg(strName);
    }
}

void CSnmpSubagent::LogLibraryMessage(int nPriority, const char* pszText)
{
    m_logLine += pszText;
    qsizetype end;
    while ((end = m_logLine.indexOf('\n')) >= 0) {
        const QString strLine = QString::fromLocal8Bit(m_logLine.left(end)).trimmed();
        m_logLine.remove(0, end + 1);
        if (strLine.isEmpty())
            continue;
        if (nPriority <= LOG_ERR)
            qCWarning(lcSnmp).noquote() << "net-snmp:" << strLine;
        else
            qCDebug(lcSnmp).noquote() << "net-snmp:" << strLine;
    }
}
