#include "CorvexMib.h"
#include "SnmpTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace SnmpTest;

const QString kMibFile = QStringLiteral(CORVEX_MIB_DIR "/CORVEX-CONTROL-MIB.txt");

TEST(MibFile, SmilintFindsNoErrorAndNoWarning)
{
    const QString strSmilint = Tool(QStringLiteral("smilint"));
    if (strSmilint.isEmpty() || StandardMibDir().isEmpty())
        GTEST_SKIP() << "smilint or the standard MIB modules are missing (scripts/install-deps)";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SMIPATH"), StandardMibDir());
    // -c /dev/null: this machine's smi.conf has no say in the result.
    const ToolResult result = RunTool(strSmilint,
                                      {QStringLiteral("-c"), QStringLiteral("/dev/null"),
                                       QStringLiteral("-l"), QStringLiteral("6"), kMibFile},
                                      env);
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(result.nExitCode, 0);
    EXPECT_EQ(result.strOut + result.strErr, QString());
}

// The names of the MIB file resolve, through net-snmp's own parser, to the numbers the subagent
// serves and sends.
TEST(MibFile, ObjectIdentifiersAreTheOnesTheSubagentUses)
{
    const QString strTranslate = Tool(QStringLiteral("snmptranslate"));
    if (strTranslate.isEmpty() || StandardMibDir().isEmpty())
        GTEST_SKIP() << "snmptranslate or the standard MIB modules are missing "
                        "(scripts/install-deps)";
    using CorvexMib::Column;
    using CorvexMib::Notification;
    const std::pair<const char*, CorvexMib::Oid> names[] = {
        {"corvexUnitTable", CorvexMib::UnitTable()},
        {"corvexUnitName", CorvexMib::ColumnOid(Column::Name)},
        {"corvexUnitState", CorvexMib::ColumnOid(Column::State)},
        {"corvexUnitModel", CorvexMib::ColumnOid(Column::Model)},
        {"corvexUnitModelCode", CorvexMib::ColumnOid(Column::ModelCode)},
        {"corvexUnitForwardPower", CorvexMib::ColumnOid(Column::ForwardPower)},
        {"corvexUnitReflectedPower", CorvexMib::ColumnOid(Column::ReflectedPower)},
        {"corvexUnitPaTemperature", CorvexMib::ColumnOid(Column::PaTemperature)},
        {"corvexUnitPaVoltage", CorvexMib::ColumnOid(Column::PaVoltage)},
        {"corvexUnitAuxVoltage", CorvexMib::ColumnOid(Column::AuxVoltage)},
        {"corvexUnitPeakDeviation", CorvexMib::ColumnOid(Column::PeakDeviation)},
        {"corvexUnitGainReduction", CorvexMib::ColumnOid(Column::GainReduction)},
        {"corvexUnitFrequency", CorvexMib::ColumnOid(Column::Frequency)},
        {"corvexUnitPllLocked", CorvexMib::ColumnOid(Column::PllLocked)},
        {"corvexUnitRfFail", CorvexMib::ColumnOid(Column::RfFail)},
        {"corvexUnitPllFail", CorvexMib::ColumnOid(Column::PllFail)},
        {"corvexUnitModulationFail", CorvexMib::ColumnOid(Column::ModulationFail)},
        {"corvexUnitMuted", CorvexMib::ColumnOid(Column::Muted)},
        {"corvexUnitFrames", CorvexMib::ColumnOid(Column::Frames)},
        {"corvexUnitMissedPolls", CorvexMib::ColumnOid(Column::MissedPolls)},
        {"corvexUnitFrameAge", CorvexMib::ColumnOid(Column::FrameAge)},
        {"corvexLinkLost", CorvexMib::NotificationOid(Notification::LinkLost)},
        {"corvexLinkRestored", CorvexMib::NotificationOid(Notification::LinkRestored)},
        {"corvexRfFailRaised", CorvexMib::NotificationOid(Notification::RfFailRaised)},
        {"corvexRfFailCleared", CorvexMib::NotificationOid(Notification::RfFailCleared)},
        {"corvexPllFailRaised", CorvexMib::NotificationOid(Notification::PllFailRaised)},
        {"corvexPllFailCleared", CorvexMib::NotificationOid(Notification::PllFailCleared)},
        {"corvexModulationFailRaised",
         CorvexMib::NotificationOid(Notification::ModulationFailRaised)},
        {"corvexModulationFailCleared",
         CorvexMib::NotificationOid(Notification::ModulationFailCleared)},
        {"corvexPllLockLost", CorvexMib::NotificationOid(Notification::PllLockLost)},
        {"corvexPllLockRegained", CorvexMib::NotificationOid(Notification::PllLockRegained)},
    };
    CSnmpDaemons daemons; // for its environment and MIB path only
    QStringList args{QStringLiteral("-M"), daemons.MibDirs(), QStringLiteral("-m"),
                     QStringLiteral("CORVEX-CONTROL-MIB"), QStringLiteral("-On")};
    for (const auto& [pszName, oid] : names)
        args << QStringLiteral("CORVEX-CONTROL-MIB::") + QLatin1String(pszName);
    const ToolResult result =
        RunTool(strTranslate, args, daemons.Environment(QStringLiteral("tools")));
    ASSERT_TRUE(result.bFinished);
    EXPECT_EQ(result.strErr, QString());
    const QStringList lines = result.strOut.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(std::size(names))) << result.strOut.toStdString();
    for (size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(lines[qsizetype(i)], Dotted(names[i].second)) << names[i].first;
}

} // namespace
