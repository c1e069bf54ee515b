// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/operationrunner.h"

#include "runner/deathdlg.h"

OperationRunner::OperationRunner(const QString &title, const QString &stopText, bool several,
                                 const Wording &wording)
    : m_popup(std::make_unique<deathDlg>(QString(), QString(), nullptr))
    , m_wording(wording)
    , m_title(title)
{
    m_popup->setStopQuestion(title, stopText);
    m_popup->setShowsLogOnFailure(false);
    m_popup->setKeepsShowing(several);
}

OperationRunner::~OperationRunner() = default;

CommandRunner::Ran OperationRunner::run(const Command &command)
{
    const Shown shown = m_wording(command.shows, command.entry);
    // A stop while the copies are flushed ends only the wait: the question says so.
    if (!shown.stopText.isEmpty())
        m_popup->setStopQuestion(m_title, shown.stopText);
    m_popup->setInheritedFd(command.inheritedFd);
    m_popup->setProgress(command.total, command.written);
    if (!m_clockStarted)
        m_popup->startClock();
    m_clockStarted = true;
    m_popup->runNext(shown.title, shown.text, command.line.constData());
    Ran ran;
    ran.output = m_popup->output();
    ran.outcome = m_popup->ranToItsEnd()  ? (m_popup->failed() ? Failed : Succeeded)
                  : m_popup->wasStopped() ? Stopped
                                          : Failed;
    return ran;
}

bool OperationRunner::stopped() const
{
    return m_popup->wasStopped();
}

void OperationRunner::stepAside()
{
    m_popup->hide();
}
