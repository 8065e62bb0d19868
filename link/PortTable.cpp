#include "PortTable.h"

#include "PortEntry.h"

#include <QSerialPortInfo>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>

namespace {

constexpr char kPortsVariable[] = "CORVEX_PORTS";

#ifdef Q_OS_WIN
constexpr int kWindowsPortCount = 255;
#endif

QStringList DevicePaths()
{
    if (qEnvironmentVariableIsSet(kPortsVariable))
        return CPortEntry::SplitList(qEnvironmentVariable(kPortsVariable));
    QStringList paths;
#ifdef Q_OS_WIN
    for (int n = 1; n <= kWindowsPortCount; ++n)
        paths.append(QStringLiteral("COM%1").arg(n));
#else
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        paths.append(info.systemLocation());
    std::sort(paths.begin(), paths.end());
#endif
    return paths;
}

} // namespace

int CPortTable::Count()
{
    return int(DevicePaths().size());
}

QString CPortTable::DevicePath(int nPort)
{
    const QStringList paths = DevicePaths();
    if (nPort < 1 || nPort > paths.size())
        return QString();
    return paths.at(nPort - 1);
}

QString CPortTable::DisplayName(int nPort)
{
    const QString path = DevicePath(nPort);
    return path.isEmpty() ? QString() : CPortEntry(path).DisplayName();
}
