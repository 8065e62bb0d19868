#include "AgentConfig.h"

#include "IniFile.h"
#include "PortEntry.h"
#include "SnmpSubagent.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

constexpr char kAgentSection[] = "agent";
constexpr char kSnmpSection[] = "snmp";
// A bearer token is compared to what clients send; a short one is guessed.
constexpr int kMinTokenLength = 16;

bool ParseBool(const QString& strValue, bool& bResult, QString& strError)
{
    const QString v = strValue.toLower();
    if (v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("on")) {
        bResult = true;
        return true;
    }
    if (v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("off")) {
        bResult = false;
        return true;
    }
    strError = QStringLiteral("'%1' is not true or false").arg(strValue);
    return false;
}

bool ParseRange(const QString& strValue, int nMin, int nMax, int& nResult, QString& strError)
{
    bool bOk = false;
    const int n = strValue.toInt(&bOk, 10);
    if (!bOk || strValue.startsWith(QLatin1Char('+'))) {
        strError = QStringLiteral("'%1' is not a whole number").arg(strValue);
        return false;
    }
    if (n < nMin || n > nMax) {
        strError = QStringLiteral("%1 is out of range %2..%3").arg(n).arg(nMin).arg(nMax);
        return false;
    }
    nResult = n;
    return true;
}

// The value of the token never appears in a message.
bool ParseToken(const QString& strValue, QString& strToken, QString& strError)
{
    for (const QChar c : strValue) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E) {
            strError = QStringLiteral("holds a character that is not visible ASCII");
            return false;
        }
    }
    if (!strValue.isEmpty() && strValue.size() < kMinTokenLength) {
        strError = QStringLiteral("is shorter than %1 characters").arg(kMinTokenLength);
        return false;
    }
    strToken = strValue;
    return true;
}

bool ParsePort(const QString& strValue, QString& strPort, QString& strError)
{
    const CPortEntry entry(strValue);
    if (!entry.IsValid()) {
        strError = QStringLiteral("'%1': %2").arg(strValue, entry.ErrorString());
        return false;
    }
    if (!entry.IsTcp() && !strValue.startsWith(QLatin1Char('/'))) {
        strError = QStringLiteral("'%1' is neither a device path nor tcp:HOST:PORT").arg(strValue);
        return false;
    }
    strPort = strValue;
    return true;
}

template <class Target> struct Key
{
    const char* pszName;
    bool (*parse)(const QString& strValue, Target& target, QString& strError);
};

const Key<AgentConfig> kAgentKeys[] = {
    {"http", [](const QString& v, AgentConfig& c,
                QString& e) { return ListenAddress::Parse(v, c.http, e); }},
    {"token",
     [](const QString& v, AgentConfig& c, QString& e) { return ParseToken(v, c.strToken, e); }},
    {"commands",
     [](const QString& v, AgentConfig& c, QString& e) { return ParseBool(v, c.bCommands, e); }},
    {"events",
     [](const QString& v, AgentConfig& c, QString& e) {
         if (!v.isEmpty() && !QDir::isAbsolutePath(v)) {
             e = QStringLiteral("'%1' is not an absolute path").arg(v);
             return false;
         }
         c.strEventsPath = v;
         return true;
     }},
    {"events_max_days", [](const QString& v, AgentConfig& c,
                           QString& e) { return ParseRange(v, 0, 100000, c.nEventsMaxDays, e); }},
    {"events_max_count",
     [](const QString& v, AgentConfig& c, QString& e) {
         return ParseRange(v, 0, 100000000, c.nEventsMaxCount, e);
     }},
};

const Key<AgentConfig> kSnmpKeys[] = {
    {"agentx",
     [](const QString& v, AgentConfig& c, QString& e) {
         if (!v.isEmpty() && !CSnmpSubagent::CheckMasterAddress(v, e))
             return false;
         c.strAgentX = v;
         return true;
     }},
};

const Key<UnitConfig> kUnitKeys[] = {
    {"port",
     [](const QString& v, UnitConfig& u, QString& e) { return ParsePort(v, u.strPort, e); }},
    {"poll_ms", [](const QString& v, UnitConfig& u,
                   QString& e) { return ParseRange(v, 50, 60000, u.nPollMs, e); }},
    {"miss_limit", [](const QString& v, UnitConfig& u,
                      QString& e) { return ParseRange(v, 1, 10000, u.nMissLimit, e); }},
    {"share",
     [](const QString& v, UnitConfig& u, QString& e) {
         if (v.isEmpty() || v == QLatin1String("none")) {
             u.share = ListenAddress();
             return true;
         }
         return ListenAddress::Parse(v, u.share, e);
     }},
    {"share_commands",
     [](const QString& v, UnitConfig& u, QString& e) { return ParseBool(v, u.bShareCommands, e); }},
};

template <class Target, size_t N> QString KnownKeys(const Key<Target> (&keys)[N])
{
    QStringList names;
    for (const auto& key : keys)
        names.append(QLatin1String(key.pszName));
    return names.join(QStringLiteral(", "));
}

// A device path and the path it links to name one port; so do two spellings of a tcp: host.
QString PortIdentity(const QString& strPort)
{
    const CPortEntry entry(strPort);
    if (entry.IsTcp())
        return QStringLiteral("tcp:%1:%2").arg(entry.Host().toLower()).arg(entry.TcpPort());
    const QString strCanonical = QFileInfo(strPort).canonicalFilePath();
    return strCanonical.isEmpty() ? QDir::cleanPath(strPort) : strCanonical;
}

class CReader
{
public:
    CReader(const QString& strPath, QStringList& errors) : m_strPath(strPath), m_errors(errors) {}

    void Error(int nLine, const QString& strMessage)
    {
        m_errors.append(QStringLiteral("%1:%2: %3").arg(m_strPath).arg(nLine).arg(strMessage));
    }

    template <class Target, size_t N>
    void ReadSection(const CIniFile::Section& section, const Key<Target> (&keys)[N], Target& target)
    {
        for (const CIniFile::Entry& entry : section.entries) {
            const Key<Target>* pKey = nullptr;
            for (const auto& key : keys) {
                if (entry.strKey == QLatin1String(key.pszName))
                    pKey = &key;
            }
            if (!pKey) {
                Error(entry.nLine, QStringLiteral("[%1] unknown key '%2' (known: %3)")
                                       .arg(section.strName, entry.strKey, KnownKeys(keys)));
                continue;
            }
            QString strError;
            if (!pKey->parse(entry.strValue, target, strError))
                Error(entry.nLine,
                      QStringLiteral("[%1] %2 %3").arg(section.strName, entry.strKey, strError));
        }
    }

private:
    QString m_strPath;
    QStringList& m_errors;
};

int LineOf(const CIniFile::Section& section, const char* pszKey)
{
    for (const CIniFile::Entry& entry : section.entries) {
        if (entry.strKey == QLatin1String(pszKey))
            return entry.nLine;
    }
    return section.nLine;
}

} // namespace

bool AgentConfig::Load(const QString& strPath, AgentConfig& config, QStringList& errors)
{
    config = AgentConfig();
    errors.clear();
    CIniFile ini;
    ini.Load(strPath);
    errors = ini.Errors();
    if (!errors.isEmpty() && ini.Sections().empty())
        return false;

    CReader reader(strPath, errors);
    static const QRegularExpression reName(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_.-]{0,63}$"));

    struct Listener
    {
        QString strWhat;
        ListenAddress address;
        int nLine;
    };
    std::vector<Listener> listeners{{QStringLiteral("[agent] http"), {}, 0}};
    struct Port
    {
        QString strUnit;
        QString strIdentity;
        int nLine;
    };
    std::vector<Port> ports;

    for (const CIniFile::Section& section : ini.Sections()) {
        if (section.strName == QLatin1String(kAgentSection)) {
            reader.ReadSection(section, kAgentKeys, config);
            if (config.bCommands && config.strToken.isEmpty())
                reader.Error(LineOf(section, "commands"),
                             QStringLiteral("[agent] commands = true needs a token"));
            const int nLine = LineOf(section, "http");
            listeners.front().nLine = nLine == section.nLine ? 0 : nLine;
            continue;
        }
        if (section.strName == QLatin1String(kSnmpSection)) {
            reader.ReadSection(section, kSnmpKeys, config);
            continue;
        }
        if (!reName.match(section.strName).hasMatch()) {
            reader.Error(section.nLine,
                         QStringLiteral("[%1] is not a unit name (letters, digits, '_', '-' and "
                                        "'.', starting with a letter or digit, at most 64)")
                             .arg(section.strName));
            continue;
        }
        UnitConfig unit;
        unit.strName = section.strName;
        reader.ReadSection(section, kUnitKeys, unit);
        if (unit.strPort.isEmpty() && LineOf(section, "port") == section.nLine) {
            reader.Error(section.nLine, QStringLiteral("[%1] has no port").arg(unit.strName));
        } else if (!unit.strPort.isEmpty()) {
            ports.push_back({unit.strName, PortIdentity(unit.strPort), LineOf(section, "port")});
        }
        if (unit.share.IsSet())
            listeners.push_back({QStringLiteral("[%1] share").arg(unit.strName), unit.share,
                                 LineOf(section, "share")});
        config.units.push_back(unit);
    }
    listeners.front().address = config.http;

    for (size_t i = 0; i < listeners.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (!listeners[i].address.Overlaps(listeners[j].address))
                continue;
            reader.Error(listeners[i].nLine,
                         QStringLiteral("%1 %2 collides with %3 %4%5")
                             .arg(listeners[i].strWhat, listeners[i].address.ToString(),
                                  listeners[j].strWhat, listeners[j].address.ToString(),
                                  listeners[j].nLine > 0
                                      ? QStringLiteral(" (line %1)").arg(listeners[j].nLine)
                                      : QStringLiteral(" (the default)")));
        }
    }
    for (size_t i = 0; i < ports.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (ports[i].strIdentity == ports[j].strIdentity)
                reader.Error(ports[i].nLine, QStringLiteral("[%1] port is already the port of "
                                                            "[%2] (line %3)")
                                                 .arg(ports[i].strUnit, ports[j].strUnit)
                                                 .arg(ports[j].nLine));
        }
    }
    return errors.isEmpty();
}

const UnitConfig* AgentConfig::FindUnit(const QString& strName) const
{
    for (const UnitConfig& unit : units) {
        if (unit.strName == strName)
            return &unit;
    }
    return nullptr;
}
