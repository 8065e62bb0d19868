#include "SimOptions.h"

#include <utility>
#include <vector>

namespace {

struct ByteOption
{
    const char* name;
    quint8 UnitState::*field;
    int min;
    int max;
};

// Signed readings take -128..127 or their raw byte 128..255.
const ByteOption kByteOptions[] = {
    {"--type", &UnitState::unitType, -128, 255},
    {"--forward", &UnitState::forwardPower, 0, 255},
    {"--reflected", &UnitState::reflectedPower, 0, 255},
    {"--deviation", &UnitState::peakDeviation, -128, 255},
    {"--gain-reduction", &UnitState::gainReduction, -128, 255},
    {"--pa-voltage", &UnitState::paVoltage, -128, 255},
    {"--aux-voltage", &UnitState::auxVoltage, -128, 255},
    {"--temperature", &UnitState::paTemperature, -128, 255},
    {"--status", &UnitState::statusFlags, 0, 255},
    {"--alarms", &UnitState::alarmFlags, 0, 255},
    {"--byte0", &UnitState::byte0, 0, 255},
    {"--byte12", &UnitState::byte12, 0, 255},
    {"--byte14", &UnitState::byte14, 0, 255},
    {"--byte15", &UnitState::byte15, 0, 255},
};

struct IntOption
{
    const char* name;
    int SimOptions::*field;
    int min;
    int max;
};

const IntOption kIntOptions[] = {
    {"--reply-delay", &SimOptions::replyDelayMs, 0, 60000},
    {"--split", &SimOptions::splitMs, 0, 60000},
    {"--extra-bytes", &SimOptions::extraBytes, 0, 4096},
    {"--drop-every", &SimOptions::dropEvery, 1, 1000000},
    {"--hangup-after", &SimOptions::hangupAfter, 1, 1000000},
    {"--seed", &SimOptions::seed, 0, 2147483647},
};

struct PathOption
{
    const char* name;
    QString SimOptions::*field;
};

const PathOption kPathOptions[] = {
    {"--device", &SimOptions::device},
    {"--link", &SimOptions::linkPath},
    {"--log", &SimOptions::logPath},
};

struct FlagOption
{
    const char* name;
    bool SimOptions::*field;
};

const FlagOption kFlagOptions[] = {
    {"--silent", &SimOptions::silent},
    {"--garbage", &SimOptions::garbage},
    {"--live", &SimOptions::live},
};

// Decimal with an optional minus sign, or hexadecimal after "0x"; nothing else.
bool ParseNumber(const QString& text, long long& value)
{
    const bool negative = text.startsWith(QLatin1Char('-'));
    QString digits = negative ? text.mid(1) : text;
    int base = 10;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        digits = digits.mid(2);
        base = 16;
    }
    if (digits.isEmpty())
        return false;
    const QLatin1String allowed(base == 16 ? "0123456789abcdefABCDEF" : "0123456789");
    for (const QChar c : digits) {
        if (!allowed.contains(c))
            return false;
    }
    bool ok = false;
    value = digits.toLongLong(&ok, base);
    if (negative)
        value = -value;
    return ok;
}

bool ParseRanged(const QString& name, const QString& text, int min, int max, int& value,
                 QString& error)
{
    long long number = 0;
    if (!ParseNumber(text, number)) {
        error = QStringLiteral("%1: '%2' is not a number").arg(name, text);
        return false;
    }
    if (number < min || number > max) {
        error = QStringLiteral("%1: %2 is out of range %3..%4").arg(name, text).arg(min).arg(max);
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

template <typename Table> const auto* Find(const Table& table, const QString& name)
{
    for (const auto& entry : table) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return static_cast<decltype(&table[0])>(nullptr);
}

} // namespace

SimOptions::Outcome SimOptions::Parse(const QStringList& args, SimOptions& options, QString& error)
{
    UnitState preset = UnitState::Transmitter();
    std::vector<std::pair<quint8 UnitState::*, quint8>> fields;
    int frequency = -1;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return Outcome::Help;
        if (arg == QLatin1String("--version"))
            return Outcome::Version;

        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name =
            arg.startsWith(QLatin1String("--")) && equals > 0 ? arg.left(equals) : arg;
        const bool inlineValue = name.size() != arg.size();

        if (const auto* flag = Find(kFlagOptions, name)) {
            if (inlineValue) {
                error = QStringLiteral("%1 takes no value").arg(name);
                return Outcome::Error;
            }
            options.*(flag->field) = true;
            continue;
        }

        const bool known = Find(kByteOptions, name) || Find(kIntOptions, name) ||
                           Find(kPathOptions, name) || name == QLatin1String("--frequency") ||
                           name == QLatin1String("--preset");
        if (!known) {
            error = QStringLiteral("unknown option '%1'").arg(arg);
            return Outcome::Error;
        }
        if (!inlineValue && i + 1 >= args.size()) {
            error = QStringLiteral("%1 needs a value").arg(name);
            return Outcome::Error;
        }
        const QString value = inlineValue ? arg.mid(equals + 1) : args.at(++i);

        int number = 0;
        if (const auto* byteOption = Find(kByteOptions, name)) {
            if (!ParseRanged(name, value, byteOption->min, byteOption->max, number, error))
                return Outcome::Error;
            fields.emplace_back(byteOption->field, static_cast<quint8>(number & 0xFF));
        } else if (const auto* intOption = Find(kIntOptions, name)) {
            if (!ParseRanged(name, value, intOption->min, intOption->max, number, error))
                return Outcome::Error;
            options.*(intOption->field) = number;
        } else if (const auto* pathOption = Find(kPathOptions, name)) {
            if (value.isEmpty()) {
                error = QStringLiteral("%1 needs a value").arg(name);
                return Outcome::Error;
            }
            options.*(pathOption->field) = value;
        } else if (name == QLatin1String("--frequency")) {
            if (!ParseRanged(name, value, 0, 65535, frequency, error))
                return Outcome::Error;
        } else if (value == QLatin1String("transmitter")) {
            preset = UnitState::Transmitter();
        } else if (value == QLatin1String("amplifier")) {
            preset = UnitState::Amplifier();
        } else {
            error = QStringLiteral("--preset: '%1' is not transmitter or amplifier").arg(value);
            return Outcome::Error;
        }
    }

    options.state = preset;
    for (const auto& [field, value] : fields)
        options.state.*field = value;
    if (frequency >= 0)
        options.state.frequency = static_cast<quint16>(frequency);
    return Outcome::Run;
}

QString SimOptions::HelpText()
{
    return QStringLiteral(
        "Usage: corvex-sim [OPTION]...\n"
        "Plays one FM transmitter or RF amplifier on a serial line: answers each poll \"w\"\n"
        "with one 16-byte status frame and applies the command bytes to its state.\n"
        "\n"
        "The line:\n"
        "  (default)             make a pseudo-terminal; its device path is the first line\n"
        "                        on standard output\n"
        "  --device PATH         use this existing terminal instead (its path is printed)\n"
        "  --link PATH           also make a symbolic link PATH to the line; an existing\n"
        "                        link there is replaced, any other file is an error\n"
        "  --log FILE            write one line per received byte: milliseconds since\n"
        "                        start, the byte as a character ('.' when not printable)\n"
        "                        and in hex, e.g. \"1532 w 0x77\"\n"
        "  --reply-delay MS      answer a poll after MS milliseconds (default 20, 0..60000)\n"
        "\n"
        "The unit (numbers in decimal or 0x hex):\n"
        "  --preset NAME         transmitter (default): code 2, 98.50 MHz, PLL locked,\n"
        "                        forward 150, reflected 3, deviation 60, gain reduction 6,\n"
        "                        P.A. 28 V, AUX 15 V, 45 C, no alarms;\n"
        "                        amplifier: code 54, 98.50 MHz, PLL locked, forward 200,\n"
        "                        reflected 4, P.A. 48 V, AUX 15 V, 40 C, no alarms.\n"
        "                        The options below override the preset wherever they stand.\n"
        "  --type N              unit type code, byte 13 (-128..255)\n"
        "  --frequency N         carrier frequency in tenths, bytes 1-2 (0..65535; 985 is\n"
        "                        98.50 MHz)\n"
        "  --forward N           forward power raw byte 4 (0..255)\n"
        "  --reflected N         reflected power raw byte 5 (0..255)\n"
        "  --deviation N         peak deviation, byte 6\n"
        "  --gain-reduction N    gain reduction, byte 7\n"
        "  --pa-voltage N        P.A. voltage, byte 8\n"
        "  --aux-voltage N       AUX voltage, byte 9\n"
        "  --temperature N       P.A. temperature, byte 10\n"
        "                        (signed readings: -128..127, or 128..255 as the raw byte)\n"
        "  --status N            status flags, byte 3 (0..255; 0x01 PLL locked, 0x80 muted)\n"
        "  --alarms N            alarm flags, byte 11 (0..255; 0x08 PLL fail, 0x40 RF fail,\n"
        "                        0x80 modulation fail)\n"
        "  --byte0 N, --byte12 N, --byte14 N, --byte15 N\n"
        "                        filler bytes (0..255, default 0)\n"
        "  --live                readings move on every reply as a unit on the air reports\n"
        "                        them: deviation and gain reduction follow the audio (not\n"
        "                        with --deviation 0, as the amplifier), forward and\n"
        "                        reflected power, the voltages and the temperature drift\n"
        "                        by one a reply close to their settings above\n"
        "  --seed N              the live readings' sequence (0..2147483647, default 1): the\n"
        "                        same seed gives the same readings\n"
        "\n"
        "Commands it obeys (no reply to any byte but \"w\"):\n"
        "  1 / 2   frequency count +1 / -1 (stops at 0 and 65535)\n"
        "  3 / 4   forward power byte +1 / -1 (stops at 0 and 255)\n"
        "  o / f   set / clear the mute bit 0x80 of byte 3\n"
        "  6       clear the latched alarm bits 0x08, 0x40 and 0x80 of byte 11; its other\n"
        "          bits stay as they are\n"
        "A reply reports the state at the moment its poll arrived; at most 1024 replies\n"
        "wait to go out at a time, polls beyond that get none.\n"
        "\n"
        "Faults:\n"
        "  --silent              never answer\n"
        "  --split MS            send each frame as two 8-byte halves MS ms apart (0..60000)\n"
        "  --extra-bytes N       send N random stray bytes after each frame (0..4096)\n"
        "  --drop-every N        leave every N-th poll unanswered (1..1000000)\n"
        "  --garbage             send 16 random bytes instead of each frame\n"
        "  --hangup-after N      after the N-th reply close the line (the other end sees a\n"
        "                        hang-up) and exit with status 0 (1..1000000)\n"
        "\n"
        "  -h, --help            show this text\n"
        "  --version             show the version\n"
        "\n"
        "SIGINT, SIGTERM and SIGHUP close the line, remove the --link and exit with status 0.\n"
        "Exit status: 0 on a clean end, 1 when the line, link or log cannot be set up or the\n"
        "--device line goes away, 2 for a bad option or value.\n");
}
