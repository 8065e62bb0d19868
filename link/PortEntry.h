#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// One entry of the port table, as a user writes it: a serial device ("/dev/ttyUSB0", "COM3") or
// a raw-TCP serial-device server, "tcp:HOST:PORT". HOST is a name, an IPv4 address or an IPv6
// address in brackets ("tcp:[::1]:4001"); PORT is a decimal number from 1 to 65535. A tcp:
// entry that breaks these rules stays an entry (so the numbers of the ones after it hold) but
// does not open, and ErrorString() says why.
class CPortEntry
{
public:
    explicit CPortEntry(const QString& strText);

    // Splits a list of entries separated by ':' (CORVEX_PORTS). A tcp: entry takes its host
    // (brackets included) and its port with it; a port starts with a digit, so "tcp:HOST" without
    // one ends before the next entry. Empty entries are dropped.
    static QStringList SplitList(const QString& strList);

    QString Text() const { return m_strText; }
    bool IsTcp() const { return m_bTcp; }
    // False for a tcp: entry without a usable host and port.
    bool IsValid() const { return m_strError.isEmpty(); }
    // Why the entry cannot open; empty when it is valid.
    QString ErrorString() const { return m_strError; }

    // The server's host without brackets, and its TCP port; only for a valid tcp: entry.
    QString Host() const { return m_strHost; }
    quint16 TcpPort() const { return m_nTcpPort; }

    // What the port box shows: "ttyUSB0" for /dev/ttyUSB0, "COM3", "host:4001", "[::1]:4001".
    QString DisplayName() const;

private:
    void ParseTcp();

    QString m_strText;
    bool m_bTcp = false;
    QString m_strHost;
    quint16 m_nTcpPort = 0;
    QString m_strError;
};
