#include "FrameChanges.h"

#include "StatusFrame.h"

namespace {

struct Flag
{
    const char* pszName;
    bool (StatusFrame::*get)() const;
    bool bClear; // the value of the flag when all is well
    const char* pszKindSet;
    const char* pszKindCleared;
};

const Flag kFlags[] = {
    {"rf_fail", &StatusFrame::RfFail, false, "alarm_raised", "alarm_cleared"},
    {"pll_fail", &StatusFrame::PllFail, false, "alarm_raised", "alarm_cleared"},
    {"modulation_fail", &StatusFrame::ModFail, false, "alarm_raised", "alarm_cleared"},
    {"pll_locked", &StatusFrame::PllLocked, true, "pll_lock_regained", "pll_lock_lost"},
    {"muted", &StatusFrame::CarrierMuted, false, "carrier_muted", "carrier_unmuted"},
};

} // namespace

std::vector<FrameChange> FrameChanges(const StatusFrame* pBefore, const StatusFrame& after)
{
    std::vector<FrameChange> changes;
    if (pBefore && pBefore->unitType != after.unitType) {
        changes.push_back({QStringLiteral("model_changed"),
                           QJsonObject{
                               {QStringLiteral("from_model"), pBefore->Unit().pszName},
                               {QStringLiteral("from_code"), int(pBefore->unitType)},
                               {QStringLiteral("model"), after.Unit().pszName},
                               {QStringLiteral("code"), int(after.unitType)},
                           }});
    }
    for (const Flag& flag : kFlags) {
        const bool bBefore = pBefore ? (pBefore->*flag.get)() : flag.bClear;
        const bool bAfter = (after.*flag.get)();
        if (bBefore == bAfter)
            continue;
        QJsonObject values;
        if (QLatin1String(flag.pszKindSet) == QLatin1String("alarm_raised"))
            values.insert(QStringLiteral("alarm"), QLatin1String(flag.pszName));
        changes.push_back({QLatin1String(bAfter ? flag.pszKindSet : flag.pszKindCleared), values});
    }
    return changes;
}
