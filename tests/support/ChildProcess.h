#pragma once

#include <QProcess>

#include <csignal>

#include <sys/prctl.h>

// A program that a test runs ends with the test run, even when the run dies.
inline void EndWithTestRun(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

// Asks the program to end, and kills it if it does not.
inline void StopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(3000);
}
