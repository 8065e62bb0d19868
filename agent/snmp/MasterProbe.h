#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QIODevice;

// Finds out, without ever waiting on the event loop, whether an AgentX master answers: it
// connects without blocking, opens an AgentX session, and counts the master as alive once the
// master's response arrives within the time allowed; then it closes the session again.
//
// The subagent lets net-snmp reach for the master only after such an answer. net-snmp connects
// with a blocking connect(), which a master that hangs with a full listen queue would hold
// forever; a master that has just answered has emptied its queue.
class CMasterProbe : public QObject
{
    Q_OBJECT

public:
    // strMaster: a socket path or tcp:HOST:PORT, as CSnmpSubagent takes it.
    explicit CMasterProbe(const QString& strMaster, QObject* pParent = nullptr);

    // Starts one probe, unless one runs; Finished() follows within timeoutMs.
    void Probe(int timeoutMs);
    bool IsRunning() const { return m_pSocket != nullptr; }

signals:
    void Finished(bool bAlive);

private:
    void OnConnected();
    void OnReadyRead();
    void Finish(bool bAlive);

    QString m_strMaster;
    QPointer<QIODevice> m_pSocket;
    QTimer m_deadline;
    QByteArray m_received;
    quint32 m_nPacketId = 0;
};
