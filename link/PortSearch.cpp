#include "PortSearch.h"

#include "ComLink.h"
#include "PortEntry.h"
#include "PortTable.h"

#include <map>
#include <memory>

int CPortSearch::FindFirst(int nFirst, int nLast, int nBaud)
{
    const int nStep = nFirst <= nLast ? 1 : -1;
    std::map<int, std::unique_ptr<CComLink>> connections;
    for (int n = nFirst; n != nLast + nStep; n += nStep) {
        const QString strEntry = CPortTable::DevicePath(n);
        if (CPortEntry(strEntry).IsTcp()) {
            auto pLink = std::make_unique<CComLink>();
            pLink->BeginOpen(strEntry, nBaud);
            connections.emplace(n, std::move(pLink));
        }
    }
    for (int n = nFirst; n != nLast + nStep; n += nStep) {
        const auto it = connections.find(n);
        if (it != connections.end() ? it->second->FinishOpen() : CComLink().Open(n, nBaud))
            return n;
    }
    return 0;
}
