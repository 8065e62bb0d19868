#include "MasterProbe.h"

#include <QLocalSocket>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtEndian>

namespace {

// AgentX (RFC 2741), as far as the probe speaks it.
constexpr quint8 kVersion = 1;
constexpr quint8 kOpenPdu = 1;
constexpr quint8 kClosePdu = 2;
constexpr quint8 kResponsePdu = 18;
constexpr quint8 kNetworkByteOrder = 0x10;
constexpr int kHeaderSize = 20;
constexpr quint8 kCloseReasonShutdown = 5;
constexpr quint8 kOpenTimeoutS = 1;

void AppendU32(QByteArray& bytes, quint32 n)
{
    char be[4];
    qToBigEndian(n, be);
    bytes.append(be, 4);
}

QByteArray Pdu(quint8 type, quint32 nSessionId, quint32 nPacketId, const QByteArray& payload)
{
    QByteArray pdu;
    pdu.append(char(kVersion)).append(char(type)).append(char(kNetworkByteOrder)).append('\0');
    AppendU32(pdu, nSessionId);
    AppendU32(pdu, 0); // transaction
    AppendU32(pdu, nPacketId);
    AppendU32(pdu, quint32(payload.size()));
    return pdu + payload;
}

QByteArray OpenPdu(quint32 nPacketId)
{
    const QByteArray description("corvex-agent probe");
    QByteArray payload;
    payload.append(char(kOpenTimeoutS)).append(3, '\0');
    payload.append(4, '\0'); // the null object identifier
    AppendU32(payload, quint32(description.size()));
    payload.append(description);
    payload.append((4 - description.size() % 4) % 4, '\0');
    return Pdu(kOpenPdu, 0, nPacketId, payload);
}

} // namespace

CMasterProbe::CMasterProbe(const QString& strMaster, QObject* pParent)
    : QObject(pParent), m_strMaster(strMaster)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { Finish(false); });
}

void CMasterProbe::Probe(int timeoutMs)
{
    if (IsRunning())
        return;
    m_received.clear();
    ++m_nPacketId;
    m_deadline.start(timeoutMs);
    static const QRegularExpression tcp(QStringLiteral("^tcp:\\[?(.+?)\\]?:([0-9]+)$"));
    const QRegularExpressionMatch match = tcp.match(m_strMaster);
    if (match.hasMatch()) {
        auto* pSocket = new QTcpSocket(this);
        m_pSocket = pSocket;
        connect(pSocket, &QTcpSocket::connected, this, &CMasterProbe::OnConnected);
        connect(pSocket, &QTcpSocket::errorOccurred, this, [this] { Finish(false); });
        connect(pSocket, &QTcpSocket::readyRead, this, &CMasterProbe::OnReadyRead);
        pSocket->connectToHost(match.captured(1), quint16(match.captured(2).toUInt()));
        return;
    }
    auto* pSocket = new QLocalSocket(this);
    m_pSocket = pSocket;
    connect(pSocket, &QLocalSocket::connected, this, &CMasterProbe::OnConnected);
    connect(pSocket, &QLocalSocket::errorOccurred, this, [this] { Finish(false); });
    connect(pSocket, &QLocalSocket::readyRead, this, &CMasterProbe::OnReadyRead);
    pSocket->connectToServer(m_strMaster);
}

void CMasterProbe::OnConnected()
{
    if (m_pSocket)
        m_pSocket->write(OpenPdu(m_nPacketId));
}

void CMasterProbe::OnReadyRead()
{
    if (!m_pSocket)
        return;
    m_received += m_pSocket->readAll();
    if (m_received.size() < kHeaderSize)
        return;
    const auto* pHeader = reinterpret_cast<const uchar*>(m_received.constData());
    const bool bBigEndian = pHeader[2] & kNetworkByteOrder;
    auto u32 = [&](int offset) {
        return bBigEndian ? qFromBigEndian<quint32>(pHeader + offset)
                          : qFromLittleEndian<quint32>(pHeader + offset);
    };
    const bool bOpened =
        pHeader[0] == kVersion && pHeader[1] == kResponsePdu && u32(12) == m_nPacketId;
    if (bOpened) {
        // Close the session that the master just opened, then the line.
        QByteArray reason;
        reason.append(char(kCloseReasonShutdown)).append(3, '\0');
        m_pSocket->write(Pdu(kClosePdu, u32(4), m_nPacketId + 1, reason));
    }
    Finish(bOpened);
}

void CMasterProbe::Finish(bool bAlive)
{
    if (!m_pSocket)
        return;
    m_deadline.stop();
    QIODevice* pSocket = m_pSocket;
    m_pSocket = nullptr;
    pSocket->disconnect(this);
    if (auto* pLocal = qobject_cast<QLocalSocket*>(pSocket))
        pLocal->disconnectFromServer();
    else if (auto* pTcp = qobject_cast<QTcpSocket*>(pSocket))
        pTcp->disconnectFromHost();
    pSocket->deleteLater();
    emit Finished(bAlive);
}
