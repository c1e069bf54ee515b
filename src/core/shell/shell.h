// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayList>

#include <sys/types.h>

// The one way this program starts /bin/sh, for the commands of the file operations and for the
// document opener alike. The shell reads nothing (standard input is /dev/null: a command that
// asks, such as mv onto a write-protected file, must not wait for a terminal).
class Shell
{
public:
    struct Options
    {
        int outputFd = -1; // standard output and error; -1 keeps this program's own
        bool ownProcessGroup = false; // so that a stop can end all that the script started
        // A descriptor the script inherits under its own number (else none of this program's
        // does): what holds it open and locked outlives this program with the script.
        int inheritedFd = -1;
    };

    // Starts `sh -c script`, with the given words as $0, $1...; the shell's pid, or -1 with the
    // reason in *error.
    static pid_t start(const char *script, const QByteArrayList &words, const Options &options,
                       int *error);
    // Waits for a started shell to end, however often a signal interrupts the wait: its status
    // as waitpid gives it, or -1.
    static int waitFor(pid_t pid);
    // Without waiting: whether the shell has ended, and then its status as waitFor() gives it.
    static bool hasEnded(pid_t pid, int *status);
};
