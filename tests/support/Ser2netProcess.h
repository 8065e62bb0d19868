#pragma once

#include "ChildProcess.h"
#include "WaitUntil.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

// The system's ser2net, run by one test with its own configuration: one raw-TCP port on
// 127.0.0.1 in front of one serial device, 9600 baud 8N1. Never the machine's own service.
class CSer2netProcess
{
public:
    CSer2netProcess() = default;
    ~CSer2netProcess() { Stop(); }
    CSer2netProcess(const CSer2netProcess&) = delete;
    CSer2netProcess& operator=(const CSer2netProcess&) = delete;

    static QString Program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"),
                                               QStringLiteral("/usr/local/sbin"),
                                               QStringLiteral("/usr/bin")});
    }

    // Starts ser2net in front of strDevice on nPort (a free port when 0; again the same one to
    // come back where clients knew it) and waits until it listens; false with ErrorString()
    // otherwise.
    bool Start(const QString& strDevice, quint16 nPort = 0)
    {
        if (Program().isEmpty())
            return Fail(QStringLiteral("ser2net is not installed (scripts/install-deps)"));
        if (!m_dirTemp.isValid())
            return Fail(QStringLiteral("no temporary directory"));
        // Another program may take the port before ser2net does: try a few.
        for (int nAttempt = 0; nAttempt < 3; ++nAttempt) {
            Stop();
            m_nPort = nPort != 0 ? nPort : FreePort();
            const QString strConfig = m_dirTemp.filePath(QStringLiteral("ser2net.yaml"));
            QFile config(strConfig);
            if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return Fail(config.errorString());
            config.write(QStringLiteral("%YAML 1.1\n"
                                        "---\n"
                                        "connection: &unit\n"
                                        "  accepter: tcp,127.0.0.1,%1\n"
                                        "  connector: serialdev,%2,9600n81,local\n")
                             .arg(m_nPort)
                             .arg(strDevice)
                             .toUtf8());
            config.close();
            EndWithTestRun(m_process);
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.start(Program(), {QStringLiteral("-n"), QStringLiteral("-u"),
                                        QStringLiteral("-c"), strConfig});
            if (!m_process.waitForStarted(5000))
                return Fail(m_process.errorString());
            if (WaitUntil([this] { return IsListening() || !IsRunning(); }, 5000) && IsRunning())
                return true;
        }
        return Fail(QStringLiteral("ser2net did not listen: ") +
                    QString::fromLocal8Bit(m_process.readAll()));
    }

    void Stop() { StopProcess(m_process); }

    quint16 Port() const { return m_nPort; }
    QString Entry() const { return QStringLiteral("tcp:127.0.0.1:%1").arg(m_nPort); }
    QString ErrorString() const { return m_strError; }

private:
    bool Fail(const QString& strError)
    {
        m_strError = strError;
        return false;
    }

    bool IsRunning() const { return m_process.state() == QProcess::Running; }

    static quint16 FreePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        return server.serverPort();
    }

    // Whether 127.0.0.1:m_nPort is in the listening state, read from the kernel's table without
    // connecting (a connection would make ser2net open the device).
    bool IsListening() const
    {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = QByteArray("0100007F:") +
                                 QByteArray::number(m_nPort, 16).toUpper().rightJustified(4, '0');
        // The file reports no size, so atEnd() cannot be trusted: read it whole.
        const QList<QByteArray> lines = table.readAll().split('\n');
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields.at(1) == local && fields.at(3) == "0A")
                return true;
        }
        return false;
    }

    QProcess m_process;
    QTemporaryDir m_dirTemp;
    quint16 m_nPort = 0;
    QString m_strError;
};
