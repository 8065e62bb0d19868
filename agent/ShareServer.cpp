#include "ShareServer.h"

#include "EventLog.h"
#include "Protocol.h"
#include "UnitPoller.h"

#include <QLoggingCategory>
#include <QTcpSocket>

#include <algorithm>

Q_LOGGING_CATEGORY(lcShare, "corvex.agent.share", QtInfoMsg)

namespace {

const QString kSource = QStringLiteral("share");

} // namespace

CShareServer::CShareServer(CUnitPoller& unit, std::unique_ptr<QTcpServer> pListener, bool bCommands,
                           CEventLog& events, QObject* pParent)
    : QObject(pParent), m_unit(unit), m_pListener(std::move(pListener)), m_bCommands(bCommands),
      m_events(events)
{
    connect(m_pListener.get(), &QTcpServer::newConnection, this, &CShareServer::OnNewConnection);
    connect(&m_unit, &CUnitPoller::FrameRead, this, &CShareServer::OnFrame);
    connect(&m_unit, &CUnitPoller::StateChanged, this, &CShareServer::OnStateChanged);
    // Clients that connected while no one served the listener.
    OnNewConnection();
}

CShareServer::~CShareServer()
{
    for (const Client& client : m_clients) {
        client.pSocket->disconnect(this);
        client.pSocket->abort();
        client.pSocket->deleteLater();
    }
}

std::unique_ptr<QTcpServer> CShareServer::TakeListener()
{
    if (m_pListener)
        m_pListener->disconnect(this);
    return std::move(m_pListener);
}

quint16 CShareServer::Port() const
{
    return m_pListener ? m_pListener->serverPort() : 0;
}

void CShareServer::OnNewConnection()
{
    while (QTcpSocket* pSocket = m_pListener->nextPendingConnection()) {
        pSocket->setParent(this);
        const QString strAddress =
            QStringLiteral("%1:%2").arg(pSocket->peerAddress().toString()).arg(pSocket->peerPort());
        m_clients.push_back({pSocket, strAddress});
        connect(pSocket, &QTcpSocket::readyRead, this, [this, pSocket] { OnReadyRead(pSocket); });
        connect(pSocket, &QTcpSocket::disconnected, this, [this, pSocket] { Drop(pSocket); });
        qCInfo(lcShare).noquote() << QStringLiteral("unit %1: shared-line client %2 connected (%3 "
                                                    "in all)")
                                         .arg(m_unit.Name(), strAddress)
                                         .arg(m_clients.size());
    }
}

void CShareServer::OnReadyRead(QTcpSocket* pSocket)
{
    Client* pClient = Find(pSocket);
    if (!pClient)
        return;
    const QByteArray bytes = pSocket->readAll();
    for (const char ch : bytes) {
        const quint8 byte = static_cast<quint8>(ch);
        if (byte == Command::Poll) {
            pClient->nWaitingPolls = std::min(pClient->nWaitingPolls + 1, kMaxWaitingPolls);
            continue;
        }
        const Command::Named* pCommand = Command::Find(byte);
        if (!pCommand)
            continue;
        if (m_bCommands) {
            m_unit.QueueCommand(*pCommand, kSource, pClient->strAddress);
        } else {
            m_events.Add(m_unit.Name(), QStringLiteral("command"),
                         AgentEvent::CommandValues(QLatin1String(pCommand->pszName), kSource,
                                                   pClient->strAddress,
                                                   QStringLiteral("commands are not allowed on the "
                                                                  "shared line")));
        }
    }
    Answer(*pClient);
}

void CShareServer::OnFrame()
{
    for (Client& client : m_clients)
        Answer(client);
}

void CShareServer::OnStateChanged()
{
    // A poll asked while the unit was online gets no answer from another connection.
    if (m_unit.GetState() != CUnitPoller::State::Online) {
        for (Client& client : m_clients)
            client.nWaitingPolls = 0;
    }
}

void CShareServer::Answer(Client& client)
{
    if (client.nWaitingPolls == 0 || m_unit.GetState() != CUnitPoller::State::Online ||
        m_unit.FrameAgeMs() > m_unit.Config().nPollMs)
        return;
    QTcpSocket* pSocket = client.pSocket;
    for (; client.nWaitingPolls > 0; --client.nWaitingPolls)
        pSocket->write(m_unit.FrameBytes());
    if (pSocket->bytesToWrite() > kMaxUnread) {
        qCWarning(lcShare).noquote()
            << QStringLiteral("unit %1: shared-line client %2 reads nothing; disconnected")
                   .arg(m_unit.Name(), client.strAddress);
        // Not from inside a loop over the clients: disconnecting removes this one.
        QMetaObject::invokeMethod(pSocket, &QTcpSocket::abort, Qt::QueuedConnection);
    }
}

void CShareServer::Drop(QTcpSocket* pSocket)
{
    const auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                 [pSocket](const Client& c) { return c.pSocket == pSocket; });
    if (it == m_clients.end())
        return;
    qCInfo(lcShare).noquote()
        << QStringLiteral("unit %1: shared-line client %2 left").arg(m_unit.Name(), it->strAddress);
    m_clients.erase(it);
    pSocket->disconnect(this);
    pSocket->deleteLater();
}

CShareServer::Client* CShareServer::Find(QTcpSocket* pSocket)
{
    for (Client& client : m_clients) {
        if (client.pSocket == pSocket)
            return &client;
    }
    return nullptr;
}
