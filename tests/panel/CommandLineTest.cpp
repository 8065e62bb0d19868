#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int nExitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QByteArray out;
    QByteArray err;
};

// Runs corvex-control with args in an environment of PATH and HOME plus the given variables.
Outcome RunControl(const QStringList& args, const QStringList& variables = {})
{
    QProcessEnvironment env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const char* pszKept : {"PATH", "HOME", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (system.contains(QLatin1String(pszKept)))
            env.insert(QLatin1String(pszKept), system.value(QLatin1String(pszKept)));
    env.insert(QStringLiteral("CORVEX_PORTS"), QString());
    for (const QString& strVariable : variables)
        env.insert(strVariable.section(QLatin1Char('='), 0, 0),
                   strVariable.section(QLatin1Char('='), 1));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CORVEX_CONTROL_PATH), args);
    Outcome outcome;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.nExitCode = process.exitCode();
    outcome.status = process.exitStatus();
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

} // namespace

TEST(CommandLineTest, HelpAndVersionAnswerOnTheTerminal)
{
    for (const char* pszHelp : {"--help", "-h"}) {
        const Outcome help = RunControl({QLatin1String(pszHelp)});
        EXPECT_EQ(help.status, QProcess::NormalExit) << pszHelp;
        EXPECT_EQ(help.nExitCode, 0) << pszHelp;
        EXPECT_TRUE(help.out.startsWith("Usage: ")) << help.out.toStdString();
        for (const char* pszMentioned :
             {"--help", "--version", "--lang", "de, en, es", "CORVEX_PORTS", "LANGUAGE",
              "LC_MESSAGES", "QT_QPA_PLATFORM"})
            EXPECT_TRUE(help.out.contains(pszMentioned)) << pszMentioned;
        EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
    }
    for (const char* pszVersion : {"--version", "-v"}) {
        const Outcome version = RunControl({QLatin1String(pszVersion)});
        EXPECT_EQ(version.nExitCode, 0) << pszVersion;
        EXPECT_EQ(version.out, QByteArray("corvex-control " CORVEX_VERSION "\n")) << pszVersion;
    }
}

// One line on stderr and a plain exit code, never Qt's abort.
TEST(CommandLineTest, RefusalsAreOneLine)
{
    const struct
    {
        const char* pszCase;
        QStringList args;
        QStringList variables;
        int nExitCode;
        const char* pszSays;
    } cases[] = {
        {"unknown option", {"--bogus"}, {}, 2, "bogus"},
        {"an argument", {"COM1"}, {}, 2, "COM1"},
        {"a language it does not speak", {"--lang", "fr"}, {}, 2, "'fr'"},
        {"not a language", {"--lang", "xx"}, {}, 2, "'xx'"},
        {"--lang without a language", {"--lang"}, {}, 2, "lang"},
        // A language it speaks lets it go on to the window system.
        {"a language it speaks", {"--lang", "de"}, {}, 1, "no display"},
        {"a locale of it", {"--lang=es_AR"}, {}, 1, "no display"},
        {"no display", {}, {}, 1, "no display"},
        {"no X server on DISPLAY", {}, {"DISPLAY=:65000"}, 1, ":65000"},
        {"X11 asked for without DISPLAY", {}, {"QT_QPA_PLATFORM=xcb"}, 1, "DISPLAY"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        const Outcome outcome = RunControl(c.args, c.variables);
        EXPECT_EQ(outcome.status, QProcess::NormalExit);
        EXPECT_EQ(outcome.nExitCode, c.nExitCode);
        EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
        EXPECT_TRUE(outcome.err.startsWith("corvex-control: ")) << outcome.err.toStdString();
        EXPECT_EQ(outcome.err.count('\n'), 1) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(c.pszSays)) << outcome.err.toStdString();
    }
}
