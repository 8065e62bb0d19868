#pragma once

#include "LinkTransport.h"

#include <QSerialPort>

// A serial device opened exclusively, 8N1 without flow control, its receive queue empty on
// open.
class CSerialTransport : public CLinkTransport
{
public:
    explicit CSerialTransport(const QString& strPath);

    void BeginOpen(int nBaud) override;

protected:
    QIODevice& Device() override { return m_port; }
    int Descriptor() const override;
    ssize_t WriteNow(int fd, const char* pByte) override;
    void CloseDevice() override;

private:
    void OnErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};
