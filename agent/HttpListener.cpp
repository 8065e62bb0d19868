#include "HttpListener.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

void Refuse(QTcpSocket* pSocket)
{
    // The server's handler, connected after the caller, does not run for these bytes or later
    // ones; what it had read stays in a transaction that nobody finishes.
    QObject::disconnect(pSocket, &QTcpSocket::readyRead, nullptr, nullptr);
    if (pSocket->isTransactionStarted())
        pSocket->commitTransaction();
    pSocket->readAll();
    QObject::connect(pSocket, &QTcpSocket::readyRead, pSocket, [pSocket] { pSocket->readAll(); });
    pSocket->write("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\n"
                   "Connection: close\r\n\r\n");
    QTimer::singleShot(CHttpListener::kDrainMs, pSocket, [pSocket] { pSocket->abort(); });
}

} // namespace

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
        if (*pnReceived > kMaxRequestBytes)
            Refuse(pSocket);
    });
    addPendingConnection(pSocket);
}
