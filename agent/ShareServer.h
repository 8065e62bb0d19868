#pragma once

#include <QObject>
#include <QTcpServer>

#include <memory>
#include <vector>

class CUnitPoller;
class CEventLog;
class QTcpSocket;

// A shared line: a TCP listener that speaks a unit's own byte protocol to any number of
// clients (panels pointed at tcp:HOST:PORT, probes), while the unit itself sees only the
// agent's poller. Each poll "w" is answered with the unit's latest frame, never older than one
// poll period: at once when the last frame is that fresh, with the next frame otherwise, and
// not at all while the unit is not online, so a client sees the unit go silent as it would on
// its own line. Command bytes go to the unit, paced as the panel paces them, only when commands
// are allowed on this line; otherwise they are dropped and recorded as refused. Other bytes are
// dropped.
class CShareServer : public QObject
{
    Q_OBJECT

public:
    // Polls a client may have waiting; more are dropped as the unit would drop a flood.
    static constexpr int kMaxWaitingPolls = 4;
    // A client that leaves this much unread is cut off rather than buffered for without end.
    static constexpr qint64 kMaxUnread = 64 * 1024;

    // Serves the unit on a listener that is already listening.
    CShareServer(CUnitPoller& unit, std::unique_ptr<QTcpServer> pListener, bool bCommands,
                 CEventLog& events, QObject* pParent = nullptr);
    ~CShareServer() override;

    // Gives the listener back (to a server that replaces this one on the same address).
    std::unique_ptr<QTcpServer> TakeListener();
    quint16 Port() const;
    int ClientCount() const { return int(m_clients.size()); }

private:
    struct Client
    {
        QTcpSocket* pSocket;
        QString strAddress;
        int nWaitingPolls = 0;
    };

    void OnNewConnection();
    void OnReadyRead(QTcpSocket* pSocket);
    void OnFrame();
    void OnStateChanged();
    void Answer(Client& client);
    void Drop(QTcpSocket* pSocket);
    Client* Find(QTcpSocket* pSocket);

    CUnitPoller& m_unit;
    std::unique_ptr<QTcpServer> m_pListener;
    bool m_bCommands;
    CEventLog& m_events;
    std::vector<Client> m_clients;
};
