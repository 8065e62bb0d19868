#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <QtGlobal>

// One serial line to a unit, 8N1 without flow control, opened exclusively by port number
// (see CPortTable). Built for a caller that polls from a timer: nothing waits for incoming
// data, and a write waits at most 1000 ms per byte.
//
// When the device goes away while open (adapter pulled, pseudo-terminal master closed), the
// link closes the device at once; what it had already received stays readable, and after that
// it counts 0 for everything until Close(). IsOpen() stays true until then, so the caller's own
// disconnect path still runs Close().
class CComLink
{
public:
    CComLink();
    ~CComLink();
    CComLink(const CComLink&) = delete;
    CComLink& operator=(const CComLink&) = delete;

    // 1 if the link is open on return, 0 otherwise. An open link keeps its port and returns 1.
    int Open(int nPort, int nBaud);
    // Always 1.
    int Close();
    // 1 if the byte reached the device within 1000 ms, 0 otherwise (also when closed or gone).
    int WriteByte(quint8 byte);
    // The number of bytes that reached the device, one write each; 0 when closed.
    int Write(const quint8* pData, int nLength);
    // Every received byte not yet read, including those the system still holds.
    int BytesWaiting();
    // Moves at most nMaxLength waiting bytes into pBuffer and returns their number; the rest
    // stays waiting.
    int Read(quint8* pBuffer, int nMaxLength);
    // True from a successful Open until Close, also after the device has gone.
    bool IsOpen() const;
    // Why the last Open failed, in the system's words ("Permission denied"); empty after one
    // that succeeded.
    QString ErrorString() const { return m_strError; }
    // True when the last Open failed because the user may not open the device.
    bool IsPermissionDenied() const { return m_bPermissionDenied; }

private:
    void OnErrorOccurred(QSerialPort::SerialPortError error);
    // Bytes the system holds for us, or -1 when the line has hung up.
    int SystemBytes() const;
    void DropDevice();
    bool HasDevice() const;

    QSerialPort m_port;
    QByteArray m_received; // bytes received before the device went away, not yet read
    bool m_bOpen = false;
    QString m_strError;
    bool m_bPermissionDenied = false;
};
