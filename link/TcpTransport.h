#pragma once

#include "LinkTransport.h"

#include <QTcpSocket>
#include <QTimer>

// A connection to a raw-TCP serial-device server, which carries the unit's bytes unchanged.
// The server keeps its own line settings. An address that does not answer fails the open
// after kConnectTimeoutMs; a connection the server closes counts as a device that went away.
class CTcpTransport : public CLinkTransport
{
public:
    static constexpr int kConnectTimeoutMs = 1000;

    CTcpTransport(const QString& strHost, quint16 nPort);

    // Starts the connection; nBaud is the server's to set.
    void BeginOpen(int nBaud) override;
    void WaitForOpen() override;

protected:
    QIODevice& Device() override { return m_socket; }
    int Descriptor() const override;
    ssize_t WriteNow(int fd, const char* pByte) override;
    void CloseDevice() override;

private:
    void OnConnected();
    void OnErrorOccurred();
    void OnConnectTimeout();

    QString m_strHost;
    quint16 m_nPort;
    QTimer m_timerConnect; // outlives the socket, whose last signals may still reach it
    QTcpSocket m_socket;
};
