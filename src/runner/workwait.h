// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// The wait for work that runs in this program rather than in a command (the look before a copy,
// a folder's size, the wait for commands that outlived the program). The work is handed a
// keepGoing() to ask every so often: after a moment a wait popup with the text shows the time
// that has passed, and its right soft key (Cancel) makes keepGoing() say no; where a stop ends
// commands that still run, only after a yes to the stop question, asked with them held.
class WorkWait
{
public:
    struct StopQuestion
    {
        QString title, text;
        // Holds the commands (true) while the question is open, or lets them go on (false).
        std::function<void(bool)> pause;
    };
    // False when the user stopped the work.
    static bool run(const QString &text,
                    const std::function<void(const std::function<bool()> &)> &work,
                    const StopQuestion &question = StopQuestion());
};
