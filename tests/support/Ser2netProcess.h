#pragma once

#include "DaemonProcess.h"

// The system's ser2net with one raw-TCP port on 127.0.0.1 in front of one serial device,
// 9600 baud 8N1.
class CSer2netProcess : public CDaemonProcess
{
public:
    static QString Program() { return FindProgram(QStringLiteral("ser2net")); }

    // Starts ser2net in front of strDevice on nPort (a free port when 0; again the same one to
    // come back where clients knew it) and waits until it listens; false with ErrorString()
    // otherwise.
    bool Start(const QString& strDevice, quint16 nPort = 0)
    {
        return Run(QStringLiteral("ser2net"), nPort, [&](quint16 nListen) {
            const QString strConfig =
                WriteFile(QStringLiteral("ser2net.yaml"),
                          QStringLiteral("%YAML 1.1\n"
                                         "---\n"
                                         "connection: &unit\n"
                                         "  accepter: tcp,127.0.0.1,%1\n"
                                         "  connector: serialdev,%2,9600n81,local\n")
                              .arg(nListen)
                              .arg(strDevice));
            return QStringList{QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"),
                               strConfig};
        });
    }

    QString Entry() const { return QStringLiteral("tcp:127.0.0.1:%1").arg(Port()); }
};
