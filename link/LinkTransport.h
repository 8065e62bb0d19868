#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

#include <sys/types.h>

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The device under a CComLink: a serial port, or a connection to a serial-device server that
// carries the same bytes. This class holds what both share, so that a caller sees one contract:
// counting and reading received bytes (those Qt has fetched and those the system still holds),
// writing one byte with a bounded wait, and the rule for a device that goes away (what it had
// received stays readable, then nothing). Subclasses open, write to and close their device.
//
// The receive queue is bounded as a serial driver's is: Qt fetches at most kInputQueueSize
// bytes ahead of the reader; what does not fit stays with the system, whose own bounded queue
// discards the excess (a serial line) or holds the sender back (a connection). A unit that
// floods the line therefore cannot grow the program's memory.
class CLinkTransport
{
public:
    enum class State
    {
        Opening, // a connection is being made
        Open,
        Gone, // the device went away after opening; what it had received stays readable
        Failed
    };

    static constexpr int kInputQueueSize = 4096;

    CLinkTransport() = default;
    virtual ~CLinkTransport();
    CLinkTransport(const CLinkTransport&) = delete;
    CLinkTransport& operator=(const CLinkTransport&) = delete;

    // Starts opening at nBaud. A serial port is Open or Failed on return; a connection may
    // still be Opening, and ends that state by itself within its connect limit.
    virtual void BeginOpen(int nBaud) = 0;
    // Returns once the state is no longer Opening, running the event loop (user input left
    // queued) meanwhile; at once when there is nothing to wait for.
    virtual void WaitForOpen() {}

    State GetState() const { return m_state; }
    // Why the open failed; empty otherwise.
    QString ErrorString() const { return m_strError; }
    // True when the open failed because another program holds the device.
    bool IsHeld() const { return m_bHeld; }

    // Every received byte not yet read, including those the system still holds.
    int BytesWaiting();
    // Moves at most nMaxLength waiting bytes into pOut, oldest first; returns their number.
    int Read(char* pOut, int nMaxLength);
    // Hands one byte to the system, waiting at most nTimeoutMs for room; nothing stays queued
    // when it fails.
    bool WriteByte(quint8 byte, int nTimeoutMs);

protected:
    virtual QIODevice& Device() = 0;
    // The descriptor under Device(); -1 when there is none (the far end closed and Qt let go).
    virtual int Descriptor() const = 0;
    // Writes one byte to fd without waiting, as write(2) does.
    virtual ssize_t WriteNow(int fd, const char* pByte) = 0;
    virtual void CloseDevice() = 0;

    void SetState(State state, const QString& strError = QString());
    // The open failed because another program holds the device; strHow is the system's or Qt's
    // word for it, or empty.
    void SetHeld(const QString& strHow);
    // Bytes the system holds for us, or -1 when the device has gone away.
    int SystemBytes() const;
    // The device went away: keeps what it had received, up to a queue's worth, and closes it.
    void DropDevice();

private:
    State m_state = State::Failed;
    QString m_strError;
    bool m_bHeld = false;
    QByteArray m_received; // what a device that went away had received, not yet read
};
