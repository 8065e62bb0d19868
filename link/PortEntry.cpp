#include "PortEntry.h"

#include <QFileInfo>
#include <QHostAddress>

namespace {

const QString kTcpPrefix = QStringLiteral("tcp:");
const QString kDevPrefix = QStringLiteral("/dev/");
constexpr char kForm[] = "write tcp:HOST:PORT";

bool StartsWithTcp(const QString& strText, qsizetype nFrom = 0)
{
    return QStringView(strText).mid(nFrom).startsWith(kTcpPrefix, Qt::CaseInsensitive);
}

// The end of the tcp: entry that starts at nFrom: past its port, or where the list ends.
qsizetype TcpEntryEnd(const QString& strList, qsizetype nFrom)
{
    qsizetype nPos = nFrom + kTcpPrefix.size();
    if (nPos < strList.size() && strList.at(nPos) == u'[') {
        const qsizetype nClose = strList.indexOf(u']', nPos);
        if (nClose < 0)
            return strList.size();
        nPos = nClose + 1;
    } else {
        const qsizetype nColon = strList.indexOf(u':', nPos);
        if (nColon < 0)
            return strList.size();
        nPos = nColon;
    }
    // Without a digit after the host's colon the entry has no port, and the next one starts.
    if (nPos + 1 >= strList.size() || strList.at(nPos) != u':' || !strList.at(nPos + 1).isDigit())
        return nPos;
    const qsizetype nEnd = strList.indexOf(u':', nPos + 1);
    return nEnd < 0 ? strList.size() : nEnd;
}

} // namespace

CPortEntry::CPortEntry(const QString& strText) : m_strText(strText), m_bTcp(StartsWithTcp(strText))
{
    if (m_bTcp)
        ParseTcp();
}

QStringList CPortEntry::SplitList(const QString& strList)
{
    QStringList entries;
    qsizetype nPos = 0;
    while (nPos < strList.size()) {
        qsizetype nEnd =
            StartsWithTcp(strList, nPos) ? TcpEntryEnd(strList, nPos) : strList.indexOf(u':', nPos);
        if (nEnd < 0)
            nEnd = strList.size();
        if (nEnd > nPos)
            entries.append(strList.mid(nPos, nEnd - nPos));
        nPos = nEnd + 1;
    }
    return entries;
}

void CPortEntry::ParseTcp()
{
    const QString strRest = m_strText.mid(kTcpPrefix.size());
    QString strHost;
    QString strPort;
    bool bHasPort = false;
    if (strRest.startsWith(u'[')) {
        const qsizetype nClose = strRest.indexOf(u']');
        if (nClose < 0) {
            m_strError = QStringLiteral("\"%1\" has no closing bracket").arg(strRest);
            return;
        }
        strHost = strRest.mid(1, nClose - 1);
        const QString strAfter = strRest.mid(nClose + 1);
        bHasPort = strAfter.startsWith(u':');
        strPort = strAfter.mid(1);
        if (!bHasPort && !strAfter.isEmpty()) {
            m_strError = QStringLiteral("unexpected \"%1\" after the address; %2")
                             .arg(strAfter, QLatin1String(kForm));
            return;
        }
        if (QHostAddress(strHost).protocol() != QAbstractSocket::IPv6Protocol) {
            m_strError = QStringLiteral("\"[%1]\" is not an IPv6 address").arg(strHost);
            return;
        }
    } else {
        const qsizetype nColon = strRest.indexOf(u':');
        bHasPort = nColon >= 0;
        strHost = bHasPort ? strRest.left(nColon) : strRest;
        strPort = bHasPort ? strRest.mid(nColon + 1) : QString();
        if (strPort.contains(u':')) {
            m_strError = QStringLiteral("an IPv6 address goes in brackets, as in tcp:[::1]:4001");
            return;
        }
    }
    if (strHost.isEmpty() || strHost.contains(u' ')) {
        m_strError = QStringLiteral("no host; %1").arg(QLatin1String(kForm));
        return;
    }
    if (!bHasPort || strPort.isEmpty()) {
        m_strError = QStringLiteral("no port; %1").arg(QLatin1String(kForm));
        return;
    }
    bool bNumber = true;
    for (const QChar c : strPort)
        bNumber = bNumber && c.isDigit() && c.unicode() < 128;
    const uint nPort = bNumber && strPort.size() <= 5 ? strPort.toUInt() : 0;
    if (nPort < 1 || nPort > 65535) {
        m_strError = QStringLiteral("port \"%1\" is not a number from 1 to 65535").arg(strPort);
        return;
    }
    m_strHost = strHost;
    m_nTcpPort = static_cast<quint16>(nPort);
}

QString CPortEntry::DisplayName() const
{
    if (m_bTcp) {
        if (!IsValid())
            return m_strText.mid(kTcpPrefix.size());
        const QString strHost = m_strHost.contains(u':') ? u'[' + m_strHost + u']' : m_strHost;
        return strHost + u':' + QString::number(m_nTcpPort);
    }
    if (m_strText.startsWith(kDevPrefix))
        return m_strText.mid(kDevPrefix.size());
    return QFileInfo(m_strText).fileName();
}
