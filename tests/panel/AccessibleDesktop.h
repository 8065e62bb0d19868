#pragma once

// A desktop on which assistive technology listens, for the accessibility tests: an X server, a
// session bus and the accessibility bus that a screen reader uses (at-spi-bus-launcher from
// Debian's at-spi2-core), each of its own, in a temporary folder, on no network. Qt's X11
// platform connects to it and turns accessibility on, as it does when a screen reader runs.
//
//   CAccessibleDesktop desktop;
//   if (!desktop.Start(strWhy)) ...     // then set the environment before the QApplication:
//   desktop.Environment()               // DISPLAY, DBUS_SESSION_BUS_ADDRESS, ...

#include "ChildProcess.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <map>

class CAccessibleDesktop
{
public:
    CAccessibleDesktop() = default;
    ~CAccessibleDesktop()
    {
        for (QProcess* pProcess : {&m_launcher, &m_bus, &m_server})
            StopProcess(*pProcess);
    }
    CAccessibleDesktop(const CAccessibleDesktop&) = delete;
    CAccessibleDesktop& operator=(const CAccessibleDesktop&) = delete;

    // Starts the X server, the session bus and the accessibility bus; false with the reason.
    bool Start(QString& strWhy)
    {
        const QString strXvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString strDbus = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        QString strLauncher;
        for (const char* pszPath :
             {"/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"})
            if (QFile::exists(QLatin1String(pszPath)))
                strLauncher = QLatin1String(pszPath);
        if (strXvfb.isEmpty() || strDbus.isEmpty() || strLauncher.isEmpty() || !m_dir.isValid()) {
            strWhy = QStringLiteral("needs Xvfb, dbus-daemon and at-spi-bus-launcher "
                                    "(scripts/install-deps test)");
            return false;
        }
        m_env[QStringLiteral("HOME")] = m_dir.path();
        m_env[QStringLiteral("XDG_RUNTIME_DIR")] = m_dir.path();

        // The server writes the number of the display it chose to its standard output.
        if (!StartReading(m_server, strXvfb,
                          {QStringLiteral("-displayfd"), QStringLiteral("1"),
                           QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp")},
                          m_env[QStringLiteral("DISPLAY")])) {
            strWhy = QStringLiteral("Xvfb did not start");
            return false;
        }
        m_env[QStringLiteral("DISPLAY")].prepend(QLatin1Char(':'));

        QFile config(m_dir.filePath(QStringLiteral("session.conf")));
        if (!config.open(QIODevice::WriteOnly) ||
            config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                         "Configuration 1.0//EN\" "
                         "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                         "<busconfig><type>session</type><listen>unix:tmpdir=" +
                         m_dir.path().toUtf8() +
                         "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                         "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n") <
                0) {
            strWhy = QStringLiteral("cannot write the session bus configuration");
            return false;
        }
        config.close();
        if (!StartReading(m_bus, strDbus,
                          {QStringLiteral("--config-file=") + config.fileName(),
                           QStringLiteral("--print-address=1"), QStringLiteral("--nofork")},
                          m_env[QStringLiteral("DBUS_SESSION_BUS_ADDRESS")])) {
            strWhy = QStringLiteral("dbus-daemon did not start");
            return false;
        }

        // The launcher owns org.a11y.Bus on the session bus and starts the accessibility bus.
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
        for (const auto& [strName, strValue] : m_env)
            env.insert(strName, strValue);
        m_launcher.setProcessEnvironment(env);
        m_launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        EndWithTestRun(m_launcher);
        m_launcher.start(strLauncher, {QStringLiteral("--launch-immediately")});
        if (!m_launcher.waitForStarted(5000)) {
            strWhy = QStringLiteral("at-spi-bus-launcher did not start");
            return false;
        }
        // Qt's platform turns accessibility on as a screen reader's presence would.
        m_env[QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON")] = QStringLiteral("1");
        m_env[QStringLiteral("QT_QPA_PLATFORM")] = QStringLiteral("xcb");
        return true;
    }

    // The variables a program on this desktop needs.
    const std::map<QString, QString>& Environment() const { return m_env; }

private:
    // Starts a program and reads the first line it prints; false if none came.
    bool StartReading(QProcess& process, const QString& strProgram, const QStringList& args,
                      QString& strLine)
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardErrorFile(QProcess::nullDevice());
        EndWithTestRun(process);
        process.start(strProgram, args);
        while (!process.canReadLine())
            if (!process.waitForReadyRead(10000))
                return false;
        strLine = QString::fromLocal8Bit(process.readLine()).trimmed();
        return !strLine.isEmpty();
    }

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_bus;
    QProcess m_launcher;
    std::map<QString, QString> m_env;
};
