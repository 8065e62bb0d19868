#include "QuitSignals.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

void PrintError(const QString& message)
{
    std::fprintf(stderr, "corvex-sim: %s\n", qUtf8Printable(message));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // A reader of the first line may close our standard output; that must not kill us.
    std::signal(SIGPIPE, SIG_IGN);

    SimOptions options;
    QString error;
    switch (SimOptions::Parse(app.arguments().mid(1), options, error)) {
    case SimOptions::Outcome::Help:
        std::fputs(qUtf8Printable(SimOptions::HelpText()), stdout);
        return 0;
    case SimOptions::Outcome::Version:
        std::printf("corvex-sim %s\n", CORVEX_VERSION);
        return 0;
    case SimOptions::Outcome::Error:
        PrintError(error + QStringLiteral(" (see --help)"));
        return 2;
    case SimOptions::Outcome::Run:
        break;
    }

    CQuitSignals quitSignals;
    if (!quitSignals.Install()) {
        PrintError(QStringLiteral("cannot install signal handlers"));
        return 1;
    }
    CSimulator simulator(options);
    if (!simulator.Start()) {
        PrintError(simulator.ErrorString());
        return 1;
    }
    std::printf("%s\n", qUtf8Printable(simulator.LinePath()));
    std::fflush(stdout);

    QObject::connect(&quitSignals, &CQuitSignals::Received, &app, [&simulator] {
        simulator.Stop();
        QCoreApplication::exit(0);
    });
    QObject::connect(&simulator, &CSimulator::Finished, &app, [&simulator](int exitCode) {
        if (exitCode != 0)
            PrintError(simulator.ErrorString());
        QCoreApplication::exit(exitCode);
    });
    return app.exec();
}
