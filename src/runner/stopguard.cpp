// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/stopguard.h"

#include "core/shell/shellprocess.h"
#include "platform/zmessagedlg.h"
#include "platform/zpopup.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

StopGuard::StopGuard(QWidget *popup, ShellProcess *process, RunPhase &phase)
    : QObject(popup)
    , m_popup(popup)
    , m_process(process)
    , m_phase(phase)
{
    QCoreApplication::instance()->installEventFilter(this);
}

StopGuard::~StopGuard()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void StopGuard::setQuestion(const QString &title, const QString &text)
{
    m_title = title;
    m_text = text;
}

bool StopGuard::ask()
{
    if (!hasQuestion() || m_question || m_stopped)
        return false;
    const bool running = m_phase == RunPhase::Running;
    if (running)
        m_phase = RunPhase::Asking;
    m_process->pause();
    auto *question
            = new ZMessageDlg(m_title, m_text, ZMessageDlg::Question, 0, nullptr, nullptr, true, 0);
    m_question = question;
    m_stopped = question->exec() == 1;
    m_question = nullptr;
    delete question;
    if (m_stopped)
        m_process->stop();
    else
        m_process->resume();
    if (m_phase == RunPhase::Asking)
        m_phase = RunPhase::Running;
    return m_stopped;
}

void StopGuard::drain()
{
    const RunPhase was = m_phase;
    m_phase = RunPhase::Draining;
    QCoreApplication::processEvents();
    m_phase = was;
}

bool StopGuard::takeRememberedPress()
{
    return std::exchange(m_pressRemembered, false);
}

bool StopGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (!ZPopup::isUserInput(event->type()))
        return false;
    if (m_phase == RunPhase::Draining) {
        if (isStopPress(watched, event))
            m_pressRemembered = true;
        return true;
    }
    return m_process->isRunning() && !belongsHere(watched);
}

bool StopGuard::belongsHere(QObject *receiver) const
{
    if (auto *widget = qobject_cast<QWidget *>(receiver))
        return widget->window() == m_popup || (m_question && widget->window() == m_question);
    if (auto *window = qobject_cast<QWindow *>(receiver))
        return window == m_popup->windowHandle()
               || (m_question && window == m_question->windowHandle());
    return false;
}

bool StopGuard::isStopPress(QObject *receiver, QEvent *event) const
{
    if (!hasQuestion())
        return false;
    if (event->type() == QEvent::KeyPress)
        return ZSoftKey::softKeyFor(static_cast<QKeyEvent *>(event)->key()) == ZSoftKey::Right;
    return event->type() == QEvent::MouseButtonRelease
           && receiver == m_popup->findChild<QWidget *>(QStringLiteral("rightKey"));
}
