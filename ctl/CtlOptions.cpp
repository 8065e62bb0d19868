#include "CtlOptions.h"

#include "Protocol.h"

#include <QCommandLineParser>

namespace {

constexpr int kMaxTimeoutMs = 600000;

} // namespace

CtlOptions::Outcome CtlOptions::Parse(const QStringList& args, CtlOptions& options, QString& error)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("MS"));
    parser.addOptions({help, version, json, timeout});
    if (!parser.parse(QStringList{QStringLiteral("corvexctl")} + args)) {
        error = parser.errorText();
        if (error.endsWith(u'.'))
            error.chop(1);
        return Outcome::Error;
    }
    if (parser.isSet(help))
        return Outcome::Help;
    if (parser.isSet(version))
        return Outcome::Version;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        error = QStringLiteral("missing command: status or send");
        return Outcome::Error;
    }
    const QString action = positional.takeFirst();
    if (action == QLatin1String("status")) {
        options.action = Action::Status;
        if (positional.size() != 1) {
            error = positional.isEmpty() ? QStringLiteral("status: missing PORT")
                                         : QStringLiteral("status takes one PORT");
            return Outcome::Error;
        }
    } else if (action == QLatin1String("send")) {
        options.action = Action::Send;
        if (positional.size() != 2) {
            error = positional.size() < 2 ? QStringLiteral("send: missing COMMAND or PORT")
                                          : QStringLiteral("send takes one COMMAND and one PORT");
            return Outcome::Error;
        }
        options.commandName = positional.takeFirst();
        const Command::Named* pCommand = Command::Find(options.commandName);
        if (!pCommand) {
            error = QStringLiteral("unknown command \"%1\"; one of %2")
                        .arg(options.commandName, Command::Names());
            return Outcome::Error;
        }
        options.commandByte = pCommand->byte;
        if (parser.isSet(json)) {
            error = QStringLiteral("--json goes with status only");
            return Outcome::Error;
        }
    } else {
        error = QStringLiteral("unknown command \"%1\"; status or send").arg(action);
        return Outcome::Error;
    }

    options.port = positional.takeFirst();
    bool bNumber = false;
    options.port.toInt(&bNumber);
    if (options.port.isEmpty() || bNumber) {
        error = QStringLiteral("PORT \"%1\" is not a device path (/dev/ttyUSB0) or tcp:HOST:PORT")
                    .arg(options.port);
        return Outcome::Error;
    }
    options.json = parser.isSet(json);
    if (parser.isSet(timeout)) {
        const QString text = parser.value(timeout);
        bool bOk = false;
        const int nMs = text.toInt(&bOk);
        if (!bOk || nMs < 1 || nMs > kMaxTimeoutMs) {
            error = QStringLiteral("--timeout: \"%1\" is not a number of milliseconds from 1 to %2")
                        .arg(text)
                        .arg(kMaxTimeoutMs);
            return Outcome::Error;
        }
        options.timeoutMs = nMs;
    }
    return Outcome::Run;
}

QString CtlOptions::HelpText()
{
    return QStringLiteral(
               "Usage: corvexctl status PORT [--json] [--timeout MS]\n"
               "       corvexctl send COMMAND PORT [--timeout MS]\n"
               "Polls one FM transmitter or RF amplifier, or sends it one command, on a serial\n"
               "line or through a serial-device server.\n"
               "\n"
               "PORT is a device path (/dev/ttyUSB0) or tcp:HOST:PORT, a raw-TCP serial-device\n"
               "server such as ser2net (an IPv6 HOST goes in brackets: tcp:[::1]:4001).\n"
               "\n"
               "status   sends one poll and prints the readings of the reply; the first line is a\n"
               "         monitoring-plugin status line with performance data after '|'.\n"
               "  --json         print the readings as one JSON object instead\n"
               "send     sends one command byte, then a poll whose reply shows that the\n"
               "         command reached the unit; COMMAND is one of\n"
               "         %2\n"
               "  --timeout MS   wait at most MS milliseconds for the reply (default %1)\n"
               "\n"
               "  -h, --help     show this text\n"
               "  --version      show the version\n"
               "\n"
               "Exit status of status: 0 OK; 1 WARNING (carrier muted, PLL not locked); 2 "
               "CRITICAL\n"
               "(no valid frame within the timeout, RF fail, PLL fail, modulation fail); 3 "
               "UNKNOWN\n"
               "(bad arguments, the port does not open). An amplifier is judged by RF fail only,\n"
               "as the panel shows it. Exit status of send: 0 sent and answered, 2 not written\n"
               "within 1 s or no reply, 3 bad arguments or the port does not open.\n")
        .arg(kDefaultTimeoutMs)
        .arg(Command::Names());
}
