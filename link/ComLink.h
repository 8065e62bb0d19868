#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

class CLinkTransport;

// One line to a unit, opened by port number (see CPortTable) or by its entry: a serial device,
// 8N1 without flow control and opened exclusively, or tcp:HOST:PORT, a raw-TCP serial-device
// server carrying the same bytes (see CPortEntry). Built for a caller that polls from a timer:
// nothing waits for incoming data, a write waits at most 1000 ms per byte, and opening a
// connection at most CTcpTransport::kConnectTimeoutMs.
//
// A program that serves many lines from one event loop waits for none of them: it opens with
// BeginOpen() and asks IsOpening() until the connection is made or has failed, and switches on
// non-blocking writes, which hand a byte to the system at once or not at all.
//
// When the device goes away while open (adapter pulled, pseudo-terminal master closed, the
// server closed the connection), the link closes the device at once; what it had already
// received stays readable, and after that it counts 0 for everything until Close(). IsOpen()
// stays true until then, so the caller's own disconnect path still runs Close().
class CComLink
{
public:
    CComLink();
    ~CComLink();
    CComLink(const CComLink&) = delete;
    CComLink& operator=(const CComLink&) = delete;

    // 1 if the link is open on return, 0 otherwise (see ErrorString()). An open link keeps its
    // port and returns 1.
    int Open(int nPort, int nBaud);
    int Open(const QString& strEntry, int nBaud);
    // Starts opening without waiting for a connection to be made: 1 when the link is open or
    // opening, 0 when the open failed at once. FinishOpen() completes it.
    int BeginOpen(const QString& strEntry, int nBaud);
    // True while a connection that BeginOpen() started is being made; it ends by itself, in the
    // event loop, within the connect limit.
    bool IsOpening() const;
    // Waits for an open that BeginOpen started (within the connect limit), or returns at once
    // when it has ended already; 1 if the link is open.
    int FinishOpen();
    // Always 1.
    int Close();
    // 1 if the byte reached the system within 1000 ms (at once in non-blocking mode), 0
    // otherwise (also when closed or gone).
    int WriteByte(quint8 byte);
    // The number of bytes that reached the system, one write each; 0 when closed.
    int Write(const quint8* pData, int nLength);
    // Every received byte not yet read, including those the system still holds.
    int BytesWaiting();
    // Moves at most nMaxLength waiting bytes into pBuffer and returns their number; the rest
    // stays waiting.
    int Read(quint8* pBuffer, int nMaxLength);
    // True from a successful Open until Close, also after the device has gone.
    bool IsOpen() const;
    // Why the last open failed ("Permission denied", "no answer within 1000 ms"); empty after a
    // successful one.
    QString ErrorString() const;
    // Non-blocking mode: a write that finds no room on the line fails at once instead of waiting
    // up to 1000 ms for it. Off by default; kept across Close() and Open().
    void SetNonBlocking(bool bNonBlocking);
    // True when the last open failed because the user may not open the device.
    bool IsPermissionDenied() const { return m_bPermissionDenied; }
    // True when the last open failed because another program holds the device (its lock file,
    // its exclusive open or its lock on the device, whichever path it opened).
    bool IsHeld() const { return m_bHeld; }

private:
    bool HasTransport() const;

    std::unique_ptr<CLinkTransport> m_pTransport;
    QString m_strError;
    bool m_bOpen = false;
    bool m_bNonBlocking = false;
    bool m_bPermissionDenied = false;
    bool m_bHeld = false;
};
