#include "FrameChanges.h"
#include "StatusFrame.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <array>

namespace {

// A frame with the given unit code, power bytes, status and alarm flags; the other readings
// fixed: 98.50 MHz, deviation -10 kHz, gain reduction 6 dB, P.A. 28 V, AUX 15 V, 45 C.
StatusFrame Frame(quint8 code, quint8 forward = 150, quint8 reflected = 3, quint8 status = 0x01,
                  quint8 alarms = 0)
{
    const std::array<quint8, 16> bytes = {0,  0x03, 0xD9, status, forward, reflected, 0xF6, 6,
                                          28, 15,   45,   alarms, 0,       code,      0,    0};
    return StatusFrame::Decode(bytes.data());
}

QStringList Kinds(const std::vector<FrameChange>& changes)
{
    QStringList kinds;
    for (const FrameChange& change : changes) {
        kinds.append(change.strKind);
        if (change.values.contains(QStringLiteral("alarm")))
            kinds.last() += QLatin1Char(':') + change.values.value("alarm").toString();
    }
    return kinds;
}

TEST(FrameChangesTest, EachChangeBecomesOneEvent)
{
    const StatusFrame clear = Frame(2);
    const struct
    {
        const char* pszWhat;
        StatusFrame after;
        QStringList kinds;
    } cases[] = {
        {"nothing", Frame(2), {}},
        {"RF fail", Frame(2, 150, 3, 0x01, 0x40), {"alarm_raised:rf_fail"}},
        {"PLL fail", Frame(2, 150, 3, 0x01, 0x08), {"alarm_raised:pll_fail"}},
        {"modulation fail", Frame(2, 150, 3, 0x01, 0x80), {"alarm_raised:modulation_fail"}},
        {"bits that are no alarm", Frame(2, 150, 3, 0x01, 0x37), {}},
        {"PLL unlocked", Frame(2, 150, 3, 0x00), {"pll_lock_lost"}},
        {"muted", Frame(2, 150, 3, 0x81), {"carrier_muted"}},
        {"another model", Frame(54), {"model_changed"}},
        {"readings only", Frame(2, 10, 99), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Kinds(FrameChanges(&clear, c.after)), c.kinds) << c.pszWhat;
    }

    const StatusFrame bad = Frame(2, 150, 3, 0x80, 0xC8);
    EXPECT_EQ(
        Kinds(FrameChanges(&bad, clear)),
        (QStringList{"alarm_cleared:rf_fail", "alarm_cleared:pll_fail",
                     "alarm_cleared:modulation_fail", "pll_lock_regained", "carrier_unmuted"}));

    const std::vector<FrameChange> model = FrameChanges(&clear, Frame(54));
    ASSERT_EQ(model.size(), 1u);
    EXPECT_EQ(model[0].values.value("from_model").toString(), QStringLiteral("Bexon Transmitter"));
    EXPECT_EQ(model[0].values.value("from_code").toInt(), 2);
    EXPECT_EQ(model[0].values.value("model").toString(), QStringLiteral("Ilvar Amplifier"));
    EXPECT_EQ(model[0].values.value("code").toInt(), 54);
}

TEST(FrameChangesTest, AFirstFrameReportsWhatIsAlreadyWrong)
{
    EXPECT_EQ(Kinds(FrameChanges(nullptr, Frame(2))), QStringList());
    EXPECT_EQ(Kinds(FrameChanges(nullptr, Frame(54, 1, 1, 0x80, 0x40))),
              (QStringList{"alarm_raised:rf_fail", "pll_lock_lost", "carrier_muted"}));
}

} // namespace
