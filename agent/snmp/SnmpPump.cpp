#include "SnmpPump.h"

#include <QSocketNotifier>

// net-snmp wants its configuration header first, then the rest in this order.
#include <net-snmp/net-snmp-config.h>

#include <net-snmp/net-snmp-includes.h>

#include <net-snmp/agent/net-snmp-agent-includes.h>
#include <net-snmp/library/large_fd_set.h>

#include <algorithm>
#include <set>

namespace {

// A descriptor set of net-snmp's own kind, released with its scope.
class CFdSet
{
public:
    CFdSet()
    {
        netsnmp_large_fd_set_init(&m_set, FD_SETSIZE);
        NETSNMP_LARGE_FD_ZERO(&m_set);
    }
    ~CFdSet() { netsnmp_large_fd_set_cleanup(&m_set); }
    CFdSet(const CFdSet&) = delete;
    CFdSet& operator=(const CFdSet&) = delete;

    netsnmp_large_fd_set* Get() { return &m_set; }

private:
    netsnmp_large_fd_set m_set;
};

} // namespace

CSnmpPump::CSnmpPump(QObject* pParent) : QObject(pParent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSnmpPump::OnTimeout);
}

CSnmpPump::~CSnmpPump()
{
    Stop();
}

void CSnmpPump::Rearm()
{
    CFdSet fds;
    int nFds = 0;
    int nBlock = 1; // stays 1 when nothing is due at any time
    timeval timeout{};
    snmp_select_info2(&nFds, fds.Get(), &timeout, &nBlock);

    std::set<int> wanted;
    for (int fd = 0; fd < nFds; ++fd) {
        if (netsnmp_large_fd_is_set(fd, fds.Get()))
            wanted.insert(fd);
    }
    for (auto it = m_notifiers.begin(); it != m_notifiers.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        // The library closed this descriptor. Its notifier may be the one whose signal is
        // being delivered right now, so it goes later.
        it->second->setEnabled(false);
        it->second->deleteLater();
        it = m_notifiers.erase(it);
    }
    for (const int fd : wanted) {
        if (m_notifiers.count(fd))
            continue;
        auto* pNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(pNotifier, &QSocketNotifier::activated, this, [this, fd] { OnReadable(fd); });
        m_notifiers.emplace(fd, pNotifier);
    }

    if (nBlock) {
        m_timer.stop();
        return;
    }
    const qint64 ms = qint64(timeout.tv_sec) * 1000 + (timeout.tv_usec + 999) / 1000;
    m_timer.start(int(std::clamp<qint64>(ms, 0, 24 * 3600 * 1000)));
}

void CSnmpPump::Stop()
{
    m_timer.stop();
    for (auto& [fd, pNotifier] : m_notifiers) {
        pNotifier->setEnabled(false);
        pNotifier->deleteLater();
    }
    m_notifiers.clear();
}

void CSnmpPump::OnReadable(int fd)
{
    CFdSet fds;
    netsnmp_large_fd_setfd(fd, fds.Get());
    snmp_read2(fds.Get());
    AfterWork();
}

void CSnmpPump::OnTimeout()
{
    snmp_timeout();
    AfterWork();
}

void CSnmpPump::AfterWork()
{
    run_alarms();
    netsnmp_check_outstanding_agent_requests();
    Rearm();
}
