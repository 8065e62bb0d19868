#pragma once

#include <QHostAddress>
#include <QString>

// Where a listener binds: an IP address literal (IPv6 in brackets) or "localhost", and a port.
// Port 0 lets the system choose one.
struct ListenAddress
{
    QHostAddress address;
    quint16 nPort = 0;

    // Reads "HOST:PORT"; false with strError (which quotes the text) when it is not one.
    static bool Parse(const QString& strText, ListenAddress& result, QString& strError);

    bool IsSet() const { return !address.isNull(); }
    // "127.0.0.1:8470", "[::1]:8470".
    QString ToString() const;
    // Whether listeners on both could not be bound at once: the same port on the same address,
    // or on a wildcard address and any other.
    bool Overlaps(const ListenAddress& other) const;

    bool operator==(const ListenAddress& other) const
    {
        return address == other.address && nPort == other.nPort;
    }
    bool operator!=(const ListenAddress& other) const { return !(*this == other); }
};
