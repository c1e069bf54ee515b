// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QEvent;
class QWidget;
class ShellProcess;

// Where the wait popup of a command stands, as a copy job names its states.
enum class RunPhase {
    Idle, // no command yet, or between two
    Running, // a command runs
    Asking, // it runs, paused, while the stop question is open
    EndedWhileAsking, // it ended while the question was open: its end is taken after the answer
    Draining, // it ended: the input that came meanwhile is being dropped
    Finished, // it ended and its end was taken
};

// What a key or a press does while a command of a wait popup runs. The user's input reaches the
// popup and its stop question alone: what was made for anything else is dropped, so that it
// never answers the popup that comes next; while the input that came during a command's end is
// drained, nothing gets it, but a press of the right soft key is remembered for the next command.
// The stop question is asked with the command's whole process group paused, so that what it
// says a stop leaves is what stands when it is answered; yes stops the group, no lets it go on.
class StopGuard : public QObject
{
public:
    StopGuard(QWidget *popup, ShellProcess *process, RunPhase &phase);
    ~StopGuard() override;

    void setQuestion(const QString &title, const QString &text);
    const QString &title() const { return m_title; }
    const QString &text() const { return m_text; }
    bool hasQuestion() const { return !m_text.isEmpty(); }
    // Asks, unless it is asking already or was answered yes: whether the user stopped now.
    bool ask();
    bool isAsking() const { return m_question != nullptr; }
    // Yes was answered: no command of the popup runs from then on.
    bool stopped() const { return m_stopped; }
    // Drops the input that came while a command ended (its press of the right soft key kept).
    void drain();
    // Whether the right soft key was pressed while the input was drained; forgets it.
    bool takeRememberedPress();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool belongsHere(QObject *receiver) const;
    bool isStopPress(QObject *receiver, QEvent *event) const;

    QWidget *m_popup;
    ShellProcess *m_process;
    RunPhase &m_phase;
    QWidget *m_question = nullptr;
    QString m_title, m_text;
    bool m_stopped = false;
    bool m_pressRemembered = false;
};
