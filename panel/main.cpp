#include "ControlApp.h"
#include "PlatformChoice.h"
#include "Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <vector>

namespace {

CControlApp theApp;

void PrintError(const char* pszProgram, const QString& strMessage)
{
    std::fprintf(stderr, "%s: %s\n", pszProgram, qUtf8Printable(strMessage));
}

// The program takes options only: --help and --version answer on the terminal and end the
// program (0), as does anything it refuses (2), without a window system; --lang sets strLanguage
// and lets the program go on (-1).
int AnswerCommandLine(int argc, char** argv, const char* pszProgram, QString& strLanguage)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Control panel for broadcast FM transmitters and RF power amplifiers on an RS-232 line."));
    const QCommandLineOption optHelp({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("Show this help and exit."));
    const QCommandLineOption optVersion({QStringLiteral("v"), QStringLiteral("version")},
                                        QStringLiteral("Show the version and exit."));
    const QCommandLineOption optLanguage(
        QStringLiteral("lang"),
        QStringLiteral("Show the panel in LANG (%1) instead of the language of the environment.")
            .arg(CTranslations::Languages().join(QStringLiteral(", "))),
        QStringLiteral("LANG"));
    parser.addOption(optHelp);
    parser.addOption(optVersion);
    parser.addOption(optLanguage);
    if (!parser.parse(app.arguments())) {
        QString strError = parser.errorText();
        if (strError.endsWith(QLatin1Char('.')))
            strError.chop(1);
        PrintError(pszProgram, strError + QStringLiteral(" (see --help)"));
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        PrintError(pszProgram, QStringLiteral("takes no arguments: '%1' (see --help)")
                                   .arg(parser.positionalArguments().constFirst()));
        return 2;
    }
    if (!parser.isSet(optHelp) && !parser.isSet(optVersion)) {
        strLanguage = parser.value(optLanguage);
        if (CTranslations::Speaks(QLocale(strLanguage)))
            return -1;
        PrintError(pszProgram, QStringLiteral("no translation for '%1'; the panel speaks %2")
                                   .arg(strLanguage, CTranslations::Languages().join(", ")));
        return 2;
    }
    if (parser.isSet(optHelp)) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        std::fputs("\n"
                   "Environment:\n"
                   "  CORVEX_PORTS     device paths separated by ':' that replace the system's\n"
                   "                   serial ports, e.g. /dev/ttyUSB1:/tmp/vport\n"
                   "  LANGUAGE, LC_ALL, LC_MESSAGES, LANG\n"
                   "                   the panel's language, as for every program, unless --lang\n"
                   "                   names one\n"
                   "  QT_QPA_PLATFORM  the window system (xcb, wayland, offscreen); when unset,\n"
                   "                   X11 wherever DISPLAY is set, else Wayland\n"
                   "\n"
                   "Exit status: 0, 1 when there is no display, 2 for a bad argument.\n",
                   stdout);
    } else {
        std::printf("%s %s\n", pszProgram, CORVEX_VERSION);
    }
    return 0;
}

// Why the panel cannot be shown, or empty when the window system is there.
QString DisplayProblem(const CPlatformChoice& choice)
{
    const QByteArray display = qgetenv("DISPLAY");
    if (choice.strError.isEmpty() && choice.bNeedsX && !CPlatformChoice::CanConnectToX(display))
        return QStringLiteral("cannot connect to the X display '%1'")
            .arg(QString::fromLocal8Bit(display));
    return choice.strError;
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toLocal8Bit();
    QString strLanguage;
    if (argc > 1) {
        const int nExit = AnswerCommandLine(argc, argv, program.constData(), strLanguage);
        if (nExit >= 0)
            return nExit;
    }

    const CPlatformChoice choice =
        CPlatformChoice::Choose(QProcessEnvironment::systemEnvironment());
    const QString strProblem = DisplayProblem(choice);
    if (!strProblem.isEmpty()) {
        PrintError(program.constData(), strProblem);
        return 1;
    }
    // The choice goes to this process alone, not to the programs it starts (the browser).
    QByteArray platformOption("-platform");
    QByteArray platform = choice.strPlatform.toLocal8Bit();
    std::vector<char*> args(argv, argv + argc);
    if (!platform.isEmpty()) {
        args.push_back(platformOption.data());
        args.push_back(platform.data());
    }
    int nArgs = int(args.size());
    args.push_back(nullptr);
    QApplication application(nArgs, args.data());
    CTranslations::Install(strLanguage.isEmpty() ? QLocale::system() : QLocale(strLanguage));
    theApp.InitInstance();
    return 0;
}
