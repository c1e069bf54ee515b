// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/testfiles.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>
#include <sys/types.h>
#include <utility>

// The command line that the next fileDialog reads from the application object. The program path
// is the real executable's, so that the shipped catalogue is found beside it.
void setCommandLine(const QStringList &arguments);

// A fake xdg-open, first on PATH, that writes each path it is handed to a file, one per line;
// the launcher's own calls are recorded as well, as the caller handed them over.
class RecordingOpener
{
public:
    RecordingOpener();
    ~RecordingOpener();
    QStringList opened() const; // what reached xdg-open
    QByteArrayList openedBytes() const; // the same, byte for byte
    QStringList launcherCalls() const; // what reached the launcher
    QByteArrayList logsWhenOpened() const; // each opened file's content when it was handed over
    void clear();

private:
    CommandOnPath m_opener;
    QStringList *m_calls;
    QByteArrayList *m_logs;
};

// Answers the modal questions, notices and text entries of the code under test, the way a user
// does: with the soft keys and by typing. Each dialog it sees is recorded with its title and text.
// A dialog with no answer left is cancelled and recorded as unexpected.
class DialogAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString kind; // "question", "notice", "entry", "choice" or "runner"
        QString title;
        QString text;
        QString offered; // for a text entry: the text it offered, selected
    };
    enum Action { Yes, No };

    DialogAnswerer();
    // Queue the answer to the next dialog: Yes (left key) or No (right key); for a text entry,
    // the text to type first.
    DialogAnswerer &answer(Action action, const QString &typed = QString());
    // For a choice popup: the choice at this row, reached with Down and taken with Return.
    DialogAnswerer &choose(int row);
    QList<Seen> seen; // the dialogs, answered
    QList<Seen> runners; // the command runners, which close by themselves
    int unexpected = 0;
    int pending() const { return int(m_answers.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();
    struct Planned
    {
        Action action;
        QString typed;
        int row = -1;
    };
    QList<Planned> m_answers;
    QTimer m_timer;
};

class fileDialog;

// Owns the window under test: a new one per start(), with the given command line, deleted by
// finish(), which also checks that no dialog or other top-level window was left behind.
class WindowFixture
{
public:
    ~WindowFixture();
    // beforeTheWindow runs with the window's own state and data folders set (XDG_STATE_HOME,
    // XDG_DATA_HOME, so its own trash), before it is made: to leave a journal there, say.
    fileDialog &start(const QStringList &arguments,
                      const std::function<void()> &beforeTheWindow = nullptr);
    fileDialog &start(const QString &folder) { return start(QStringList{ folder }); }
    bool finish();

private:
    fileDialog *m_window = nullptr;
    std::unique_ptr<QTemporaryDir> m_state;
};

// The names in the window's rows, in order, and the row of one name (-1 when not listed).
QStringList rows(const fileDialog &window);
int rowOf(const fileDialog &window, const QString &name);
