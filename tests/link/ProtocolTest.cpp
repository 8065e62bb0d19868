#include "Protocol.h"
#include "StatusFrame.h"
#include "UnitType.h"

#include <QString>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

using Frame = std::array<quint8, kStatusFrameSize>;

TEST(FrameAvailable, OnlyExactlyOneFrameCounts)
{
    const struct
    {
        int nWaiting;
        bool bAvailable;
    } cases[] = {{0, false},  {1, false},  {15, false}, {16, true},
                 {17, false}, {32, false}, {-1, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsFrameAvailable(c.nWaiting), c.bAvailable) << c.nWaiting;
}

struct UnitRow
{
    qint8 nCode;
    const char* pszName;
    bool bPowerButtons;
    bool bAmplifier;
    const char* pszForwardAtC8;  // forward text for a raw byte of 0xC8
    const char* pszReflectedAt7; // reflected text for a raw byte of 7
    double wattsAtC8;            // a raw byte of 0xC8 in watts; NaN: no power readings
};

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

const UnitRow kUnitRows[] = {
    {1, "Arvel Transmitter", false, false, "", "", kNone},
    {2, "Bexon Transmitter", true, false, "20.0 W FWD.", "0.7 W REV.", 20.0},
    {3, "Corlan Transmitter", true, false, "-56 W FWD.", "7 W REV.", -56},
    {4, "Dravik Transmitter", true, false, "200 W FWD.", "7 W REV.", 200},
    {5, "Elsom Transmitter", true, false, "400 W FWD.", "14 W REV.", 400},
    {6, "Fennic Transmitter", true, false, "4.00 W FWD.", "0.14 W REV.", 4.0},
    {7, "Garrow Transmitter", true, false, "800 W FWD.", "28 W REV.", 800},
    {8, "Hestin Transmitter", true, false, "1600 W FWD.", "56 W REV.", 1600},
    {54, "Ilvar Amplifier", true, true, "200 W FWD.", "7 W REV.", 200},
    {55, "Jesmor Amplifier", true, true, "400 W FWD.", "14 W REV.", 400},
    {57, "Kelvane Amplifier", true, true, "800 W FWD.", "28 W REV.", 800},
    {58, "Lumbry Amplifier", true, true, "1600 W FWD.", "56 W REV.", 1600},
    {59, "Morvel Amplifier", true, true, "400 W FWD.", "14 W REV.", 400},
    {56, "Unknown unit using default settings", true, false, "800 W FWD.", "28 W REV.", 800},
};

TEST(UnitTypeTable, EveryRowNamesItsUnitAndScalesItsPower)
{
    for (const UnitRow& row : kUnitRows) {
        SCOPED_TRACE(row.nCode);
        const UnitType& unit = UnitType::Lookup(row.nCode);
        EXPECT_STREQ(unit.pszName, row.pszName);
        EXPECT_EQ(unit.bPowerButtons, row.bPowerButtons);
        EXPECT_EQ(unit.bAmplifier, row.bAmplifier);
        EXPECT_EQ(unit.ForwardText(0xC8), QString::fromLatin1(row.pszForwardAtC8));
        EXPECT_EQ(unit.ReflectedText(7), QString::fromLatin1(row.pszReflectedAt7));
        const std::optional<double> watts = unit.Watts(0xC8);
        EXPECT_EQ(watts.has_value(), !std::isnan(row.wattsAtC8));
        if (watts) {
            EXPECT_DOUBLE_EQ(*watts, row.wattsAtC8);
        }
    }
}

TEST(UnitTypeTable, UnlistedCodesTakeTheDefaultRow)
{
    const UnitType& fallback = UnitType::Lookup(56);
    EXPECT_STREQ(fallback.pszName, "Unknown unit using default settings");
    EXPECT_EQ(&UnitType::Lookup(static_cast<qint8>(0x81)), &fallback);
    for (int code = -128; code <= 127; ++code) {
        const bool bListed = (code >= 1 && code <= 8) || (code >= 54 && code <= 59 && code != 56);
        const UnitType& unit = UnitType::Lookup(static_cast<qint8>(code));
        EXPECT_EQ(&unit == &fallback, !bListed) << code;
        if (bListed) {
            EXPECT_EQ(unit.nCode, code);
        }
    }
}

TEST(UnitTypeTable, CodeOneHasNoPowerTextsForAnyByte)
{
    const UnitType& unit = UnitType::Lookup(1);
    for (int raw = 0; raw <= 255; ++raw) {
        EXPECT_TRUE(unit.ForwardText(quint8(raw)).isEmpty()) << raw;
        EXPECT_TRUE(unit.ReflectedText(quint8(raw)).isEmpty()) << raw;
    }
}

TEST(UnitTypeTable, PowerTextsOfKnownBytes)
{
    const struct
    {
        qint8 nCode;
        bool bForward;
        quint8 raw;
        const char* pszText;
    } cases[] = {
        {2, true, 0, "0.0 W FWD."},      {2, true, 255, "25.5 W FWD."},
        {3, true, 0xC8, "-56 W FWD."},   {4, true, 0xC8, "200 W FWD."},
        {6, false, 255, "5.10 W REV."},  {8, true, 255, "2040 W FWD."},
        {54, false, 0xC8, "200 W REV."}, {3, false, 0x80, "-128 W REV."},
        {3, true, 0x7F, "127 W FWD."},   {5, true, 255, "510 W FWD."},
        {56, true, 255, "1020 W FWD."},  {6, true, 1, "0.02 W FWD."},
        {2, false, 5, "0.5 W REV."},
    };
    for (const auto& c : cases) {
        const UnitType& unit = UnitType::Lookup(c.nCode);
        const QString text = c.bForward ? unit.ForwardText(c.raw) : unit.ReflectedText(c.raw);
        EXPECT_EQ(text, QString::fromLatin1(c.pszText)) << int(c.nCode) << " raw " << int(c.raw);
    }
}

Frame SampleFrame()
{
    return {0x00, 0x03, 0xD9, 0x81, 0xFF, 0xC8, 0xF6, 0x0C,
            0x32, 0xE7, 0x96, 0xC8, 0x00, 0x02, 0x00, 0x00};
}

TEST(StatusFrameDecode, FieldsKeepTheirOffsetsAndSignedness)
{
    const Frame bytes = SampleFrame();
    const StatusFrame frame = StatusFrame::Decode(bytes.data());
    EXPECT_EQ(frame.frequencyHigh, 0x03);
    EXPECT_EQ(frame.frequencyLow, 0xD9);
    EXPECT_EQ(frame.statusFlags, 0x81);
    EXPECT_EQ(frame.forwardPower, 0xFF);
    EXPECT_EQ(frame.reflectedPower, 0xC8);
    EXPECT_EQ(frame.peakDeviation, -10);
    EXPECT_EQ(frame.gainReduction, 12);
    EXPECT_EQ(frame.paVoltage, 50);
    EXPECT_EQ(frame.auxVoltage, -25);
    EXPECT_EQ(frame.paTemperature, -106);
    EXPECT_EQ(frame.alarmFlags, 0xC8);
    EXPECT_EQ(frame.unitType, 2);
    EXPECT_STREQ(frame.Unit().pszName, "Bexon Transmitter");
    EXPECT_EQ(frame.ForwardPowerText(), QStringLiteral("25.5 W FWD."));
    EXPECT_EQ(frame.ReflectedPowerText(), QStringLiteral("20.0 W REV."));
}

TEST(StatusFrameDecode, FrequencyIsAnUnsignedCountOfTenths)
{
    const struct
    {
        quint8 high, low;
        quint16 nCount;
        float frequency;
        const char* pszShown;
    } cases[] = {
        {0x00, 0x00, 0, 0.0f, "0.00"},           {0x03, 0xD9, 985, 98.5f, "98.50"},
        {0x00, 0xFF, 255, 25.5f, "25.50"},       {0x80, 0x00, 32768, 3276.8f, "3276.80"},
        {0xFF, 0xFF, 65535, 6553.5f, "6553.50"},
    };
    for (const auto& c : cases) {
        Frame bytes{};
        bytes[1] = c.high;
        bytes[2] = c.low;
        const StatusFrame frame = StatusFrame::Decode(bytes.data());
        EXPECT_EQ(frame.FrequencyCount(), c.nCount);
        EXPECT_FLOAT_EQ(frame.Frequency(), c.frequency);
        EXPECT_EQ(QString::asprintf("%.2f", double(frame.Frequency())),
                  QString::fromLatin1(c.pszShown));
    }
}

TEST(StatusFrameDecode, FlagBitsSelectTheirLamps)
{
    const struct
    {
        quint8 status, alarms;
        bool bLocked, bMuted, bPllFail, bRfFail, bModFail;
    } cases[] = {
        {0x00, 0x00, false, false, false, false, false},
        {0x01, 0x08, true, false, true, false, false},
        {0x80, 0x40, false, true, false, true, false},
        {0x7E, 0x37, false, false, false, false, false}, // only unexamined bits
        {0xFF, 0xFF, true, true, true, true, true},
        {0x00, 0x80, false, false, false, false, true},
    };
    for (const auto& c : cases) {
        Frame bytes{};
        bytes[3] = c.status;
        bytes[11] = c.alarms;
        const StatusFrame frame = StatusFrame::Decode(bytes.data());
        SCOPED_TRACE(testing::Message() << int(c.status) << "/" << int(c.alarms));
        EXPECT_EQ(frame.PllLocked(), c.bLocked);
        EXPECT_EQ(frame.CarrierMuted(), c.bMuted);
        EXPECT_EQ(frame.PllFail(), c.bPllFail);
        EXPECT_EQ(frame.RfFail(), c.bRfFail);
        EXPECT_EQ(frame.ModFail(), c.bModFail);
    }
}

bool SameFields(const StatusFrame& a, const StatusFrame& b)
{
    return a.frequencyHigh == b.frequencyHigh && a.frequencyLow == b.frequencyLow &&
           a.statusFlags == b.statusFlags && a.forwardPower == b.forwardPower &&
           a.reflectedPower == b.reflectedPower && a.peakDeviation == b.peakDeviation &&
           a.gainReduction == b.gainReduction && a.paVoltage == b.paVoltage &&
           a.auxVoltage == b.auxVoltage && a.paTemperature == b.paTemperature &&
           a.alarmFlags == b.alarmFlags && a.unitType == b.unitType;
}

TEST(StatusFrameDecode, UnexaminedBytesChangeNothing)
{
    const Frame base = SampleFrame();
    const StatusFrame expected = StatusFrame::Decode(base.data());
    for (int offset : {0, 12, 14, 15}) {
        for (int value = 0; value <= 255; ++value) {
            Frame bytes = base;
            bytes[size_t(offset)] = quint8(value);
            const StatusFrame frame = StatusFrame::Decode(bytes.data());
            EXPECT_TRUE(SameFields(frame, expected)) << "offset " << offset << " value " << value;
            EXPECT_EQ(frame.ForwardPowerText(), expected.ForwardPowerText());
        }
    }
}

constexpr int kUnexamined = -1000;

// The field decoded from the byte at offset, as a plain int.
int FieldAt(const StatusFrame& frame, int offset)
{
    switch (offset) {
    case 1:
        return frame.frequencyHigh;
    case 2:
        return frame.frequencyLow;
    case 3:
        return frame.statusFlags;
    case 4:
        return frame.forwardPower;
    case 5:
        return frame.reflectedPower;
    case 6:
        return frame.peakDeviation;
    case 7:
        return frame.gainReduction;
    case 8:
        return frame.paVoltage;
    case 9:
        return frame.auxVoltage;
    case 10:
        return frame.paTemperature;
    case 11:
        return frame.alarmFlags;
    case 13:
        return frame.unitType;
    default:
        return kUnexamined;
    }
}

TEST(StatusFrameDecode, AnyByteAtAnyOffsetDecodes)
{
    const bool kSigned[kStatusFrameSize] = {false, false, false, false, false, false, true,  true,
                                            true,  true,  true,  false, false, true,  false, false};
    for (int offset = 0; offset < kStatusFrameSize; ++offset) {
        for (int value = 0; value <= 255; ++value) {
            Frame bytes = SampleFrame();
            bytes[size_t(offset)] = quint8(value);
            const StatusFrame frame = StatusFrame::Decode(bytes.data());
            const int nField = FieldAt(frame, offset);
            if (nField != kUnexamined) {
                EXPECT_EQ(nField, kSigned[offset] ? int(static_cast<qint8>(value)) : value)
                    << "offset " << offset << " value " << value;
            }
            EXPECT_GE(frame.Frequency(), 0.0f);
            EXPECT_EQ(frame.ForwardPowerText().isEmpty(), frame.unitType == 1);
            EXPECT_EQ(frame.ReflectedPowerText().isEmpty(), frame.unitType == 1);
        }
    }
}

} // namespace
