#include "ListenAddress.h"

namespace {

bool IsWildcard(const QHostAddress& address)
{
    return address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6 ||
           address == QHostAddress::Any;
}

} // namespace

bool ListenAddress::Parse(const QString& strText, ListenAddress& result, QString& strError)
{
    strError = QStringLiteral("'%1' is not HOST:PORT (an IP address or localhost, and a port "
                              "0..65535)")
                   .arg(strText);
    const qsizetype nColon = strText.lastIndexOf(QLatin1Char(':'));
    if (nColon <= 0)
        return false;
    QString strHost = strText.left(nColon);
    const QString strPort = strText.mid(nColon + 1);

    bool bOk = false;
    const uint nPort = strPort.toUInt(&bOk, 10);
    if (!bOk || nPort > 65535 || strPort.startsWith(QLatin1Char('+')))
        return false;

    QHostAddress address;
    if (strHost == QLatin1String("localhost")) {
        address = QHostAddress(QHostAddress::LocalHost);
    } else if (strHost.startsWith(QLatin1Char('[')) && strHost.endsWith(QLatin1Char(']'))) {
        strHost = strHost.mid(1, strHost.size() - 2);
        if (!address.setAddress(strHost) || address.protocol() != QAbstractSocket::IPv6Protocol)
            return false;
    } else if (!address.setAddress(strHost) ||
               address.protocol() != QAbstractSocket::IPv4Protocol) {
        return false;
    }
    result.address = address;
    result.nPort = static_cast<quint16>(nPort);
    strError.clear();
    return true;
}

QString ListenAddress::ToString() const
{
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(address.toString()).arg(nPort);
    return QStringLiteral("%1:%2").arg(address.toString()).arg(nPort);
}

bool ListenAddress::Overlaps(const ListenAddress& other) const
{
    if (nPort == 0 || nPort != other.nPort)
        return false;
    return address == other.address || IsWildcard(address) || IsWildcard(other.address);
}
