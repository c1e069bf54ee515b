// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The options that every Debian program answers, --help and --version, answered before anything
// else starts, so that they work where no display is. Only an argument that is exactly one of
// them counts: a folder of that name is reached as ./--help. Qt's own options (-platform, ...)
// are left to Qt.
class CommandLine
{
public:
    // The exit status when an option was answered (on standard output), or -1 to go on.
    static int answerInformationOptions(int argc, char **argv);
};
