#pragma once

#include <QByteArray>
#include <QString>

class deathDlg;

// The wait popup of one operation. It is made for the operation's first command and kept for
// the others, so that an operation on hundreds of entries shows one popup whose title and text
// follow the entries, without a popup shown, timed and hidden for each. A single operation shows
// a failure's log at once; one on several entries gathers each failure's output under its
// command, for the window to show once at the end.
class OperationRunner
{
public:
    // journalFd: the operation's journal, which each command inherits (-1 for none).
    OperationRunner(const QString &stopTitle, const QString &stopText, bool severalEntries,
                    int journalFd = -1);
    ~OperationRunner();
    OperationRunner(const OperationRunner &) = delete;
    OperationRunner &operator=(const OperationRunner &) = delete;

    // Runs one command to its end. For a copy or move, the entry's source and destination paths
    // let the popup show how far it has come.
    void run(const QString &title, const QString &text, const QByteArray &command,
             const QString &source = QString(), const QString &destination = QString(),
             bool moving = false);
    // An entry whose command could not be run, and why: shown or gathered like a failure.
    void fail(const QByteArray &command, const QByteArray &why);
    // Whether the user stopped a command: the operation then runs no further entries.
    bool stopped() const { return m_stopped; }
    // Closes the wait popup, so that what follows the operation shows on its own.
    void close();
    // Hides it until the next command, so that a question between two commands shows alone.
    void hide();
    // The commands that ran to their own end.
    int done() const { return m_done; }
    // Whether the last command ran to its end and succeeded.
    bool succeeded() const { return m_succeeded; }
    const QByteArray &failures() const { return m_failures; }

private:
    void gather(const QByteArray &command, QByteArray output);

    QString m_stopTitle, m_stopText;
    bool m_several;
    int m_journalFd;
    bool m_stopped = false;
    int m_done = 0;
    bool m_succeeded = false;
    QByteArray m_failures;
    deathDlg *m_popup = nullptr;
};
