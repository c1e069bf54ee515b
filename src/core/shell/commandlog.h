// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// Where the commands' output goes. The shared log "/tmp/exec_log.txt" lies in a folder that
// every user may write, so it is used only while it is a regular file of the running user with
// no other name, opened without following links. Otherwise a log of the user's own takes its
// place for the rest of the run: "filemanager-exec_log.txt" in $XDG_RUNTIME_DIR when that folder
// is the user's alone, else a fresh file from mkstemp. The switch is said once on standard error.
class CommandLog
{
public:
    static const char *const sharedPath;

    // The log that the runners use.
    static CommandLog &instance();

    explicit CommandLog(const QByteArray &sharedPath = QByteArray(CommandLog::sharedPath));
    ~CommandLog();
    CommandLog(const CommandLog &) = delete;
    CommandLog &operator=(const CommandLog &) = delete;

    // Opens the log emptied, for reading and writing and closed on exec; -1 when no log can be
    // had at all (said on standard error).
    int open();
    // The file that open() opened last (before any open: the shared path).
    QByteArray path() const { return m_path; }
    // Whether the shared log was given up for the rest of the run.
    bool isPrivate() const { return m_private; }
    // Empties the log and writes text into it; false when it could not.
    bool write(const QByteArray &text);
    // A file of this run alone holding text, for the viewer to open: the shared log may be
    // rewritten meanwhile by another copy of the program. In $XDG_RUNTIME_DIR when that folder is
    // the user's alone, else in /tmp. Left for the viewer, which may read it at any later time.
    // Its path, or empty when no file could be written anywhere.
    static QByteArray handOver(const QByteArray &text);
    // The last lines of an output (at most about 1,200 bytes), for a notice where no file can
    // show it whole.
    static QByteArray lastLines(const QByteArray &output, int count);

private:
    int openPrivate();

    QByteArray m_sharedPath;
    QByteArray m_path;
    bool m_private = false;
    bool m_temporary = false; // m_path was made by mkstemp: removed when the program ends
};
