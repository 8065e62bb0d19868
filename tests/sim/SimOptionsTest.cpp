#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

SimOptions ParseGood(const QStringList& args)
{
    SimOptions options;
    QString error;
    EXPECT_EQ(SimOptions::Parse(args, options, error), SimOptions::Outcome::Run)
        << args.join(QLatin1Char(' ')).toStdString() << ": " << error.toStdString();
    return options;
}

} // namespace

TEST(SimOptions, DefaultsAreTheTransmitterAnsweringEveryPollAfter20Ms)
{
    const SimOptions options = ParseGood({});
    EXPECT_EQ(options.state.ToFrame(), UnitState::Transmitter().ToFrame());
    EXPECT_EQ(options.replyDelayMs, 20);
    EXPECT_TRUE(options.device.isEmpty());
    EXPECT_FALSE(options.silent);
    EXPECT_FALSE(options.garbage);
    EXPECT_LT(options.splitMs, 0);
    EXPECT_EQ(options.extraBytes, 0);
    EXPECT_EQ(options.dropEvery, 0);
    EXPECT_EQ(options.hangupAfter, 0);
    EXPECT_FALSE(options.live);
    EXPECT_EQ(options.seed, 1);
}

TEST(SimOptions, FieldOptionsSetTheirFrameBytes)
{
    struct Case
    {
        QStringList args;
        int offset;
        quint8 expected;
    };
    const Case cases[] = {
        {{"--type", "-1"}, 13, 0xFF},
        {{"--type", "255"}, 13, 0xFF},
        {{"--type", "-128"}, 13, 0x80},
        {{"--type=0x81"}, 13, 0x81},
        {{"--frequency", "0x3D9"}, 1, 0x03},
        {{"--frequency", "985"}, 2, 0xD9},
        {{"--frequency", "65535"}, 1, 0xFF},
        {{"--forward", "0"}, 4, 0x00},
        {{"--reflected", "0xFF"}, 5, 0xFF},
        {{"--deviation", "-10"}, 6, 0xF6},
        {{"--gain-reduction", "127"}, 7, 0x7F},
        {{"--pa-voltage", "200"}, 8, 200},
        {{"--aux-voltage", "-128"}, 9, 0x80},
        {{"--temperature", "0X2d"}, 10, 45},
        {{"--status", "0x81"}, 3, 0x81},
        {{"--alarms", "200"}, 11, 200},
        {{"--byte0", "1"}, 0, 1},
        {{"--byte12", "2"}, 12, 2},
        {{"--byte14", "3"}, 14, 3},
        {{"--byte15", "0xff"}, 15, 0xFF},
        {{"--forward", "1", "--forward", "2"}, 4, 2},
        {{"--preset", "amplifier"}, 13, 54},
        {{"--preset", "amplifier", "--preset", "transmitter"}, 13, 2},
        {{"--preset", "amplifier", "--type", "7"}, 13, 7},
        {{"--type", "7", "--preset", "amplifier"}, 13, 7},
        {{"--type", "7", "--preset", "amplifier"}, 4, 200},
    };
    for (const Case& c : cases) {
        const SimOptions options = ParseGood(c.args);
        EXPECT_EQ(options.state.ToFrame()[size_t(c.offset)], c.expected)
            << c.args.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(SimOptions, LineAndFaultOptions)
{
    const SimOptions options =
        ParseGood({"--device",       "/dev/ttyX", "--link=/tmp/l", "--log",   "/tmp/log",
                   "--reply-delay",  "0",         "--silent",      "--split", "150",
                   "--extra-bytes",  "3",         "--drop-every",  "4",       "--garbage",
                   "--hangup-after", "9",         "--live",        "--seed",  "0x7fffffff"});
    EXPECT_EQ(options.device, QLatin1String("/dev/ttyX"));
    EXPECT_EQ(options.linkPath, QLatin1String("/tmp/l"));
    EXPECT_EQ(options.logPath, QLatin1String("/tmp/log"));
    EXPECT_EQ(options.replyDelayMs, 0);
    EXPECT_TRUE(options.silent);
    EXPECT_EQ(options.splitMs, 150);
    EXPECT_EQ(options.extraBytes, 3);
    EXPECT_EQ(options.dropEvery, 4);
    EXPECT_TRUE(options.garbage);
    EXPECT_EQ(options.hangupAfter, 9);
    EXPECT_TRUE(options.live);
    EXPECT_EQ(options.seed, 2147483647);
}

TEST(SimOptions, HelpWinsOverEverything)
{
    for (const QStringList& args :
         {QStringList{"--help"}, QStringList{"-h"}, QStringList{"--forward", "1", "--help"}}) {
        SimOptions options;
        QString error;
        EXPECT_EQ(SimOptions::Parse(args, options, error), SimOptions::Outcome::Help);
    }
}
