#pragma once

#include "ChildProcess.h"
#include "WaitUntil.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>

#include <functional>

// A daemon a station runs, from the system's packages, run by one test with a configuration of
// its own in a temporary folder and listening on 127.0.0.1. Never the machine's own service.
class CDaemonProcess
{
public:
    CDaemonProcess() = default;
    ~CDaemonProcess() { Stop(); }
    CDaemonProcess(const CDaemonProcess&) = delete;
    CDaemonProcess& operator=(const CDaemonProcess&) = delete;

    // The installed program, or empty.
    static QString FindProgram(const QString& strName)
    {
        return QStandardPaths::findExecutable(strName, {QStringLiteral("/usr/sbin"),
                                                        QStringLiteral("/usr/local/sbin"),
                                                        QStringLiteral("/usr/bin")});
    }

    void Stop() { StopProcess(m_process); }

    quint16 Port() const { return m_nPort; }
    QString ErrorString() const { return m_strError; }

protected:
    // Runs the program strName listening on nPort (a free port when 0) and waits until it
    // listens; false with ErrorString() otherwise. fnArguments writes the configuration for a
    // port (with WriteFile) and returns the program's arguments.
    bool Run(const QString& strName, quint16 nPort,
             const std::function<QStringList(quint16 nPort)>& fnArguments)
    {
        const QString strProgram = FindProgram(strName);
        if (strProgram.isEmpty())
            return Fail(strName + QStringLiteral(" is not installed (scripts/install-deps)"));
        if (!m_dirTemp.isValid())
            return Fail(QStringLiteral("no temporary directory"));
        // Another program may take the port before the daemon does: try a few.
        for (int nAttempt = 0; nAttempt < 3; ++nAttempt) {
            Stop();
            m_nPort = nPort != 0 ? nPort : FreePort();
            const QStringList args = fnArguments(m_nPort);
            if (!m_strError.isEmpty())
                return false;
            EndWithTestRun(m_process);
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.start(strProgram, args);
            if (!m_process.waitForStarted(5000))
                return Fail(m_process.errorString());
            if (WaitUntil([this] { return IsListening() || !IsRunning(); }, 10000) && IsRunning())
                return true;
        }
        return Fail(QStringLiteral("%1 did not listen: %2")
                        .arg(strName, QString::fromLocal8Bit(m_process.readAll())));
    }

    // Writes a file into the daemon's temporary folder and returns its path; on failure, empty
    // with ErrorString().
    QString WriteFile(const QString& strName, const QString& strText)
    {
        const QString strPath = m_dirTemp.filePath(strName);
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            Fail(file.errorString());
            return QString();
        }
        file.write(strText.toUtf8());
        return strPath;
    }

    QString TempPath(const QString& strName) const { return m_dirTemp.filePath(strName); }

    bool Fail(const QString& strError)
    {
        m_strError = strError;
        return false;
    }

private:
    bool IsRunning() const { return m_process.state() == QProcess::Running; }

    static quint16 FreePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        return server.serverPort();
    }

    // Whether 127.0.0.1:m_nPort is in the listening state, read from the kernel's table without
    // connecting (a connection would make ser2net open its device).
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
