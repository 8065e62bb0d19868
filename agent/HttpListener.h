#pragma once

#include <QTcpServer>

// The HTTP server's listener. Qt's HTTP server keeps a request in memory until it is complete,
// however large; this listener cuts off a connection that sends more than kMaxRequestBytes
// without getting an answer, with "413 Payload Too Large", before Qt reads the rest.
class CHttpListener : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;

    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr nDescriptor) override;
};
