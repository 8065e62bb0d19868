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

    // Writes all of data to the master side; returns the number of bytes written.
    int WriteMaster(const QByteArray& data);
    // Reads what the master side has now, waiting at most timeoutMs for the first byte.
    QByteArray ReadMaster(int timeoutMs = 0);

private:
    int m_fdMaster = -1;
    int m_fdSlaveKeep = -1; // keeps the slave side alive so writes never see a hang-up
    QString m_strSlavePath;
    QString m_strError;
};
