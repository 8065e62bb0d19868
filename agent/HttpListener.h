#pragma once

#include <QTcpServer>

// The HTTP server's listener. Qt's HTTP server keeps a request in memory until it is complete,
// however large; this listener answers a connection that sends more than kMaxRequestBytes
// without getting an answer with "413 Payload Too Large" before Qt reads the rest, discards
// what else arrives and closes the connection kDrainMs later (or when the client does), so
// that the client can read the answer.
class CHttpListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;
    static constexpr int kDrainMs = 2000;

    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr nDescriptor) override;
};
