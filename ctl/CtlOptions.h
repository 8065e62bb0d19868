#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What corvexctl is asked to do on its command line.
struct CtlOptions
{
    enum class Outcome
    {
        Run,     // options are complete and valid
        Help,    // --help was asked for
        Version, // --version was asked for
        Error    // a bad option or argument; the message is in the error argument
    };

    enum class Action
    {
        Status, // poll once and report
        Send    // send one command byte
    };

    static constexpr int kDefaultTimeoutMs = 3000;

    Action action = Action::Status;
    QString port; // a device path or tcp:HOST:PORT
    bool json = false;
    int timeoutMs = kDefaultTimeoutMs;
    QString commandName;    // for Send
    quint8 commandByte = 0; // for Send

    // Reads the arguments that follow the program name; options may stand anywhere.
    static Outcome Parse(const QStringList& args, CtlOptions& options, QString& error);
    static QString HelpText();
};
