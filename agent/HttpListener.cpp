#include "HttpListener.h"

#include <QTcpSocket>

#include <memory>

void CHttpListener::incomingConnection(qintptr nDescriptor)
{
    auto* pSocket = new QTcpSocket(this);
    if (!pSocket->setSocketDescriptor(nDescriptor)) {
        delete pSocket;
        return;
    }
    // Bytes received since the last answer went out. Connected before the HTTP server's own
    // handler, this one sees each arrival first.
    auto pnReceived = std::make_shared<qint64>(0);
    connect(pSocket, &QTcpSocket::bytesWritten, pSocket, [pnReceived] { *pnReceived = 0; });
    connect(pSocket, &QTcpSocket::readyRead, pSocket, [pSocket, pnReceived] {
        *pnReceived += pSocket->bytesAvailable();
        if (*pnReceived <= kMaxRequestBytes)
            return;
        // The server's handler, connected after this one, does not run for these bytes.
        QObject::disconnect(pSocket, &QTcpSocket::readyRead, nullptr, nullptr);
        pSocket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\n"
                       "Connection: close\r\n\r\n");
        pSocket->disconnectFromHost();
    });
    addPendingConnection(pSocket);
}
