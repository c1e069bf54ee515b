// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Runs the shell commands of one operation, one after another, and shows them while they run:
// the wait popup does (deathDlg), a test does in its own way. An operation says what a command
// does, not in words: the runner words it.
class CommandRunner
{
public:
    // What the popup says while the command runs.
    enum Shows {
        Waiting, // "Please wait", with no name: an operation on one entry
        Copying, // "Copying name": an entry of an operation on several
        Moving,
        Deleting,
        Trashing, // "Moving to the trash: name"
        Restoring,
        TakingBack, // "Please wait", with the name taken back as the title
        Writing, // what was copied, on its way to the disk: stopping only ends the wait
    };
    struct Command
    {
        QByteArray line; // the shell command, whole
        Shows shows = Waiting;
        QString entry; // the name it shows
        // How far a copy or move has come, where that is worth showing: all it is to write
        // (asked once, when the command begins; -1 for nothing to show), and a measure of what it
        // has written so far.
        std::function<qint64()> total;
        std::function<qint64()> written;
        // A descriptor that the command inherits (see Shell::Options::inheritedFd), or -1.
        int inheritedFd = -1;
    };
    enum Outcome { Succeeded, Failed, Stopped };
    struct Ran
    {
        Outcome outcome = Failed;
        QByteArray output; // what the command wrote, for a failure's report
    };

    virtual ~CommandRunner() = default;
    // Runs one command to its end; once stopped() it runs no further command.
    virtual Ran run(const Command &command) = 0;
    // Whether the user chose to stop the operation: no further entry is to begin.
    virtual bool stopped() const = 0;
    // Out of sight until the next command, while the operation asks something in between.
    virtual void stepAside() = 0;
};
