#pragma once

#include <QObject>
#include <QTimer>

#include <map>

class QSocketNotifier;

// Serves net-snmp's sockets and timers from the Qt event loop, so that the SNMP side runs on the
// thread that polls the units and never blocks it: the descriptors and the timeout that
// snmp_select_info2() asks for become QSocketNotifiers and a single-shot QTimer; a readable
// descriptor is handed to snmp_read2(), an expired timeout to snmp_timeout(), and after either
// the library's alarms and the agent's delegated requests get their turn.
class CSnmpPump : public QObject
{
    Q_OBJECT

public:
    explicit CSnmpPump(QObject* pParent = nullptr);
    ~CSnmpPump() override;

    // Watches what net-snmp waits for now. Call after anything that may open or close a
    // session or set an alarm outside of the pump's own handlers.
    void Rearm();
    // Stops watching; for before the library shuts down.
    void Stop();

private:
    void OnReadable(int fd);
    void OnTimeout();
    void AfterWork();

    std::map<int, QSocketNotifier*> m_notifiers;
    QTimer m_timer;
};
