#pragma once

#include "UnitState.h"

#include <QString>
#include <QStringList>

// What the simulator is told on its command line: the unit it plays, where its line is,
// and how badly that line behaves.
struct SimOptions
{
    enum class Outcome
    {
        Run,     // options are complete and valid
        Help,    // --help was asked for
        Version, // --version was asked for
        Error    // a bad option or value; the message is in the error argument
    };

    UnitState state = UnitState::Transmitter();
    QString device;   // an existing terminal to use; empty: make a pseudo-terminal
    QString linkPath; // symbolic link to the line, made at start and removed at the end
    QString logPath;  // file that gets one line per received byte
    int replyDelayMs = 20;
    bool silent = false;
    int splitMs = -1;   // >= 0: each frame goes out as two halves this far apart
    int extraBytes = 0; // stray bytes after every frame
    int dropEvery = 0;  // > 0: every n-th poll goes unanswered
    bool garbage = false;
    int hangupAfter = 0; // > 0: the line closes after this many replies
    bool live = false;   // readings move from reply to reply as a unit on the air reports them
    int seed = 1;        // of the live readings

    // Reads the arguments that follow the program name. Field options override the preset
    // wherever they stand; a repeated option takes its last value.
    static Outcome Parse(const QStringList& args, SimOptions& options, QString& error);
    static QString HelpText();
};
