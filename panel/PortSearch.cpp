#include "PortSearch.h"

#include "ComLink.h"
#include "PortEntry.h"
#include "PortTable.h"

#include <map>
#include <memory>

CPortSearch::Result CPortSearch::Find(int nFirst, int nLast, int nStep, int nBaud)
{
    const auto inRange = [nLast, nStep](int n) { return nStep > 0 ? n <= nLast : n >= nLast; };
    std::map<int, std::unique_ptr<CComLink>> links;
    for (int n = nFirst; inRange(n); n += nStep) {
        const QString strEntry = CPortTable::DevicePath(n);
        if (CPortEntry(strEntry).IsTcp()) {
            auto pLink = std::make_unique<CComLink>();
            pLink->BeginOpen(strEntry, nBaud);
            links.emplace(n, std::move(pLink));
        }
    }
    Result result;
    for (int n = nFirst; inRange(n); n += nStep) {
        const auto it = links.find(n);
        CComLink linkSerial;
        CComLink& link = it != links.end() ? *it->second : linkSerial;
        if (it != links.end() ? link.FinishOpen() : link.Open(n, nBaud)) {
            result.nPort = n;
            break;
        }
        if (link.IsPermissionDenied() && result.strDeniedPath.isEmpty()) {
            result.strDeniedPath = CPortTable::DevicePath(n);
            result.strDeniedReason = link.ErrorString();
        }
    }
    return result;
}
