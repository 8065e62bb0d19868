#include "CtlOptions.h"
#include "Protocol.h"
#include "StatusCheck.h"
#include "UnitProbe.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdio>

namespace {

constexpr int kExitNotSent = 2;
constexpr int kExitUnknown = 3;

void PrintLine(std::FILE* pStream, const QString& strLine)
{
    std::fprintf(pStream, "%s\n", qUtf8Printable(strLine));
}

void PrintError(const QString& strMessage)
{
    PrintLine(stderr, QStringLiteral("corvexctl: ") + strMessage);
}

int Status(const CtlOptions& options)
{
    const CUnitProbe::Result result =
        CUnitProbe::Exchange(options.port, std::nullopt, options.timeoutMs);
    if (result.outcome != CUnitProbe::Outcome::Ok) {
        const auto state = result.outcome == CUnitProbe::Outcome::NotOpened
                               ? CStatusCheck::State::Unknown
                               : CStatusCheck::State::Critical;
        if (options.json)
            PrintError(result.strError);
        else
            PrintLine(stdout, CStatusCheck::FailureLine(state, result.strError));
        return int(state);
    }
    const CStatusCheck check(result.frame);
    if (options.json) {
        PrintLine(stdout,
                  QString::fromUtf8(QJsonDocument(check.Json()).toJson(QJsonDocument::Compact)));
    } else {
        PrintLine(stdout, check.StatusLine());
        PrintLine(stdout, check.Details());
    }
    return int(check.GetState());
}

// The commands whose effect the reply frame shows: the carrier's mute bit. The others (power,
// frequency, reset of latched alarms) may meet a limit or a lasting fault, so their reply proves
// only that the byte arrived.
struct VisibleEffect
{
    quint8 byte;
    bool bMuted;
    const char* pszBefore; // the carrier as a reply that lacks the effect shows it
};
constexpr VisibleEffect kVisibleEffects[] = {{Command::Mute, true, "on"},
                                             {Command::Unmute, false, "muted"}};

const VisibleEffect* FindVisibleEffect(quint8 byte)
{
    for (const VisibleEffect& effect : kVisibleEffects) {
        if (effect.byte == byte)
            return &effect;
    }
    return nullptr;
}

int Send(const CtlOptions& options)
{
    const VisibleEffect* pEffect = FindVisibleEffect(options.commandByte);
    CUnitProbe::EffectShown fnShown;
    if (pEffect)
        fnShown = [pEffect](const StatusFrame& frame) {
            return frame.CarrierMuted() == pEffect->bMuted;
        };
    const CUnitProbe::Result result =
        CUnitProbe::Exchange(options.port, options.commandByte, options.timeoutMs, fnShown);
    switch (result.outcome) {
    case CUnitProbe::Outcome::Ok:
        return 0;
    case CUnitProbe::Outcome::NoEffect:
        PrintError(QStringLiteral("%1 sent, but the unit still reports its carrier %2 after %3 ms: "
                                  "the command did not take effect (a shared line of corvex-agent "
                                  "drops commands unless share_commands = true)")
                       .arg(options.commandName, QLatin1String(pEffect->pszBefore))
                       .arg(options.timeoutMs));
        return kExitNotSent;
    case CUnitProbe::Outcome::NotOpened:
        PrintError(result.strError);
        return kExitUnknown;
    case CUnitProbe::Outcome::NotWritten:
        PrintError(QStringLiteral("%1 not sent: %2").arg(options.commandName, result.strError));
        return kExitNotSent;
    case CUnitProbe::Outcome::NoFrame:
        break;
    }
    PrintError(QStringLiteral("%1 sent, but the unit did not answer the poll after it, so it may "
                              "not have arrived: %2")
                   .arg(options.commandName, result.strError));
    return kExitNotSent;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVEX_VERSION));

    CtlOptions options;
    QString error;
    switch (CtlOptions::Parse(app.arguments().mid(1), options, error)) {
    case CtlOptions::Outcome::Help:
        std::fputs(qUtf8Printable(CtlOptions::HelpText()), stdout);
        return 0;
    case CtlOptions::Outcome::Version:
        PrintLine(stdout, QStringLiteral("corvexctl ") + QCoreApplication::applicationVersion());
        return 0;
    case CtlOptions::Outcome::Error:
        PrintError(error + QStringLiteral(" (see corvexctl --help)"));
        return kExitUnknown;
    case CtlOptions::Outcome::Run:
        break;
    }
    return options.action == CtlOptions::Action::Status ? Status(options) : Send(options);
}
