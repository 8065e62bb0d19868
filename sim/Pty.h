#pragma once

#include <QString>

// A pseudo-terminal pair: the master side stays with this object, the slave side is a
// device path that a serial port can open like a real line. Both sides are raw (no echo,
// no line editing, 8 data bits), so bytes pass through unchanged.
class CPty
{
public:
    CPty();
    ~CPty();
    CPty(const CPty&) = delete;
    CPty& operator=(const CPty&) = delete;

    // Opens a new pair; false (with ErrorString()) when the system has none to give.
    bool Open();
    // Closes the master side: whoever holds the slave sees the line hang up.
    void CloseMaster();

    bool IsOpen() const { return m_fdMaster >= 0; }
    int MasterFd() const { return m_fdMaster; }
    QString SlavePath() const { return m_strSlavePath; }
    QString ErrorString() const { return m_strError; }

    // Writes data to the master side; returns the number of bytes written, fewer when
    // nobody drains the slave side and the line stays full for 100 ms.
    int WriteMaster(const QByteArray& data);
    // The number of bytes written to the master side that the slave side has not read yet.
    int SlaveBytesWaiting() const;
    // Reads what the master side has now, waiting at most timeoutMs for the first byte.
    QByteArray ReadMaster(int timeoutMs = 0);

    // Puts a terminal into raw mode at 9600 baud, 8 data bits, no parity, one stop bit.
    static bool SetRaw(int fd);

private:
    int m_fdMaster = -1;
    int m_fdSlaveKeep = -1; // keeps the slave side alive so writes never see a hang-up
    QString m_strSlavePath;
    QString m_strError;
};
