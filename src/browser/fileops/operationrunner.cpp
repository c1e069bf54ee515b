#include "browser/fileops/operationrunner.h"

#include "core/names/filename.h"
#include "runner/deathdlg.h"

OperationRunner::OperationRunner(const QString &stopTitle, const QString &stopText,
                                 bool severalEntries, int journalFd)
    : m_stopTitle(stopTitle)
    , m_stopText(stopText)
    , m_several(severalEntries)
    , m_journalFd(journalFd)
{
}

OperationRunner::~OperationRunner()
{
    delete m_popup;
}

void OperationRunner::close()
{
    delete m_popup;
    m_popup = nullptr;
}

void OperationRunner::hide()
{
    if (m_popup)
        m_popup->hide();
}

void OperationRunner::run(const QString &title, const QString &text, const QByteArray &command,
                          const QString &source, const QString &destination, bool moving)
{
    const auto watch = [&](deathDlg *popup) {
        if (!source.isEmpty())
            popup->setProgress(FileName::toBytes(source), FileName::toBytes(destination), moving);
    };
    if (!m_popup) {
        m_popup = new deathDlg(title, text, command.constData());
        m_popup->setStopQuestion(m_stopTitle, m_stopText);
        m_popup->setShowsLogOnFailure(!m_several);
        m_popup->setKeepsShowing(m_several);
        m_popup->setInheritedFd(m_journalFd);
        watch(m_popup);
        m_popup->exec();
    } else {
        watch(m_popup);
        m_popup->runNext(title, text, command.constData());
    }
    m_stopped = m_stopped || m_popup->wasStopped();
    if (m_popup->ranToItsEnd())
        ++m_done;
    m_succeeded = m_popup->ranToItsEnd() && !m_popup->failed();
    if (m_several && m_popup->failed() && m_popup->ranToItsEnd())
        gather(command, m_popup->output());
}

void OperationRunner::fail(const QByteArray &command, const QByteArray &why)
{
    m_succeeded = false;
    if (m_several)
        gather(command, why);
    else
        deathDlg::showOutput(why + '\n', m_stopTitle);
}

void OperationRunner::gather(const QByteArray &command, QByteArray output)
{
    if (!output.isEmpty() && !output.endsWith('\n'))
        output += '\n';
    m_failures += "$ " + command + '\n' + output + '\n';
}
