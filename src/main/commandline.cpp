// SPDX-License-Identifier: GPL-3.0-or-later
#include "main/commandline.h"

#include <cstdio>
#include <cstring>

namespace {

const char helpText[] = R"(Usage: filemanager [START-FOLDER [NAME-FILTER]] [QT-OPTIONS]

A file manager in the style of a mobile phone: one window with a list of entries, an options
menu on the left soft key (F1) and Back on the right (F2). Browse folders, open files with the
desktop's registered application, create folders, and rename, delete, copy and move entries,
one at a time or several at once.

  START-FOLDER  the folder listed first (default /); a folder named like an option is reached
                as ./--help
  NAME-FILTER   wildcards for the files listed, separated by blanks or semicolons, such as
                "*.mp3;*.ogg"; case-sensitive; every folder is listed
  --help        show this text and exit
  --version     show the version and exit

Qt's own options work too, for instance -platform linuxfb or -geometry 480x640+0+0.
Texts come from filemanager_<language>.lng beside the executable; the language is the line
"LanguageType = <code>" of /ezxlocal/download/appwrite/setup/ezx_system.cfg (default en-us).
When a command fails, its log is opened; see /tmp/exec_log.txt.
)";

} // namespace

int CommandLine::answerInformationOptions(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("filemanager %s\n", FM_VERSION);
            return 0;
        }
    }
    return -1;
}
