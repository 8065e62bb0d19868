#include "Agent.h"
#include "AgentConfig.h"
#include "QuitSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

// Exit status for a bad command line or configuration: nothing was started.
constexpr int kExitConfig = 2;
// Exit status when the configuration is valid but cannot be served (a listener does not bind).
constexpr int kExitRuntime = 1;

// Written out, as the other programs' help is, rather than Qt's stock option texts.
const char kHelpText[] =
    "Usage: corvex-agent --config FILE [--check]\n"
    "Watches FM transmitters and RF amplifiers on serial lines or behind serial-device\n"
    "servers, records their events, and serves their status, metrics and commands over\n"
    "HTTP, their lines to panels and probes over TCP, and their readings over SNMP.\n"
    "\n"
    "  -c, --config FILE  the configuration: units, listeners, the event store\n"
    "                     (example: /usr/share/doc/corvex-agent/examples/agent.conf)\n"
    "  --check            check FILE, print one line and exit\n"
    "  -h, --help         show this text\n"
    "  -v, --version      show the version\n"
    "\n"
    "SIGHUP reads FILE again and applies it if it is valid; otherwise the agent says why\n"
    "and runs on as before. SIGTERM and SIGINT write the waiting events and end it.\n"
    "\n"
    "Exit status: 0 after SIGTERM or SIGINT, or a valid --check; 1 when a listener cannot\n"
    "be bound or the SNMP subagent does not start; 2 for a bad command line or\n"
    "configuration (nothing was started). See corvex-agent(8).\n";

void PrintErrors(const QStringList& errors)
{
    for (const QString& error : errors)
        std::fprintf(stderr, "corvex-agent: %s\n", qUtf8Printable(error));
}

// Under systemd each line goes to the journal with its priority; on a terminal it gets the
// program's name.
void SetMessagePattern()
{
    if (qEnvironmentVariableIsSet("JOURNAL_STREAM"))
        qSetMessagePattern(QStringLiteral("%{if-debug}<7>%{endif}%{if-info}<6>%{endif}"
                                          "%{if-warning}<4>%{endif}%{if-critical}<2>%{endif}"
                                          "%{if-fatal}<0>%{endif}%{message}"));
    else
        qSetMessagePattern(QStringLiteral("corvex-agent: %{if-warning}warning: %{endif}"
                                          "%{if-critical}error: %{endif}%{message}"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvex-agent"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVEX_VERSION));
    SetMessagePattern();
    // A client that goes away while an answer is written must not end the agent.
    std::signal(SIGPIPE, SIG_IGN);

    QCommandLineParser parser;
    const QCommandLineOption optionConfig(
        QStringList{QStringLiteral("c"), QStringLiteral("config")}, QString(),
        QStringLiteral("FILE"));
    const QCommandLineOption optionCheck(QStringLiteral("check"));
    const QCommandLineOption optionHelp(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption optionVersion(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({optionConfig, optionCheck, optionHelp, optionVersion});

    if (!parser.parse(app.arguments())) {
        PrintErrors({parser.errorText() + QStringLiteral(" (see --help)")});
        return kExitConfig;
    }
    if (parser.isSet(optionHelp)) {
        std::fputs(kHelpText, stdout);
        return 0;
    }
    if (parser.isSet(optionVersion)) {
        std::printf("corvex-agent %s\n", CORVEX_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        PrintErrors({QStringLiteral("unexpected argument '%1' (see --help)")
                         .arg(parser.positionalArguments().constFirst())});
        return kExitConfig;
    }
    if (!parser.isSet(optionConfig)) {
        PrintErrors({QStringLiteral("--config FILE is needed (see --help)")});
        return kExitConfig;
    }

    const QString strConfigPath = parser.value(optionConfig);
    AgentConfig config;
    QStringList errors;
    if (!AgentConfig::Load(strConfigPath, config, errors)) {
        PrintErrors(errors);
        return kExitConfig;
    }
    if (parser.isSet(optionCheck)) {
        QStringList names;
        for (const UnitConfig& unit : config.units)
            names.append(unit.strName);
        std::printf("%s: valid; units: %s\n", qUtf8Printable(strConfigPath),
                    names.isEmpty() ? "none" : qUtf8Printable(names.join(QStringLiteral(", "))));
        return 0;
    }

    CQuitSignals quitSignals;
    if (!quitSignals.Install()) {
        PrintErrors({QStringLiteral("cannot install the signal handlers")});
        return kExitRuntime;
    }
    CAgent agent;
    if (!agent.Apply(config, errors)) {
        PrintErrors(errors);
        return kExitRuntime;
    }
    qInfo().noquote()
        << QStringLiteral("running with %1 (%2 units)").arg(strConfigPath).arg(config.units.size());

    QObject::connect(&quitSignals, &CQuitSignals::Received, &app, [&](int nSignal) {
        if (nSignal != SIGHUP) {
            qInfo() << "stopping";
            QCoreApplication::exit(0);
            return;
        }
        AgentConfig reloaded;
        QStringList reloadErrors;
        if (!AgentConfig::Load(strConfigPath, reloaded, reloadErrors) ||
            !agent.Apply(reloaded, reloadErrors)) {
            for (const QString& error : reloadErrors)
                qWarning().noquote() << error;
            qWarning().noquote() << "configuration not reloaded; running on as before";
            return;
        }
        qInfo().noquote() << QStringLiteral("configuration reloaded from %1 (%2 units)")
                                 .arg(strConfigPath)
                                 .arg(reloaded.units.size());
    });
    return app.exec();
}
