// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the asker of operations: each question worded in the user's language (Texts) and
// asked with the toolkit's popups, under the operation's title.
#include "browser/filedialog.h"

#include "lang/texts.h"

#include "platform/zmessagedlg.h"
#include "platform/zsinglecapturedlg.h"
#include "platform/zsingleselectdlg.h"
#include "runner/workwait.h"

QString fileDialog::askName(NameFor what, const QString &folder, const QString &current,
                            const QString &offered, int selected)
{
    return ZSingleCaptureDlg::ask((*m_texts)(what == NewFolder ? "BR_MKDIR" : "BR_RENAME"),
                                  m_texts->nameQuestion(folder, current), offered, selected);
}

bool fileDialog::wait(Wait what, const std::function<void(const std::function<bool()> &)> &work,
                      const std::function<void(bool)> &pause)
{
    // Commands that still run stop only as those of a running operation do: asked first.
    WorkWait::StopQuestion question;
    if (what == StillRunning)
        question = { m_operationTitle, m_stopText, pause };
    return WorkWait::run((*m_texts)(what == Looking ? "BR_PLEASEWAIT" : "BR_STILL_RUNNING"), work,
                         question);
}

bool fileDialog::confirm(const OperationPlan &plan, const OperationPlan::Look &look)
{
    return ZMessageDlg::ask(m_operationTitle, m_texts->confirm(plan, look));
}

bool fileDialog::goOnWithoutRoom(qint64 needed, qint64 free)
{
    return ZMessageDlg::ask((*m_texts)("BR_NOT_ENOUGH_SPACE"), m_texts->noRoom(needed, free));
}

std::optional<bool> fileDialog::emptyTrashForRoom(qint64 needed, qint64 free, int entries,
                                                  qint64 bytes)
{
    const int row = ZSingleSelectDlg::choose(
            (*m_texts)("BR_NOT_ENOUGH_SPACE"),
            m_texts->emptyTrashForRoom(needed, free, entries, bytes),
            { (*m_texts)("BR_EMPTY_CARD_TRASH"), (*m_texts)("BR_GO_ON") });
    return row < 0 ? std::nullopt : std::optional(row == 0);
}

bool fileDialog::confirmDiscard(Discard what, int entries, qint64 bytes, const QString &path)
{
    return ZMessageDlg::ask((*m_texts)(what == EmptyTrash ? "BR_EMPTY_TRASH" : "BR_DELETE"),
                            m_texts->discard(what, entries, bytes, path));
}

bool fileDialog::leaveOutTooLarge(int count, const QStringList &first, qint64 limit)
{
    return ZMessageDlg::ask((*m_texts)("BR_TOO_LARGE_FOR_CARD"),
                            m_texts->tooLarge(count, first, limit));
}

std::optional<Asker::ForNames> fileDialog::chooseForNames(int count, const QStringList &first)
{
    const int row = ZSingleSelectDlg::choose(
            (*m_texts)("BR_NAMES_NOT_STORED"), m_texts->namesNotStored(count, first),
            { (*m_texts)("BR_STORE_MAPPED"), (*m_texts)("BR_LEAVE_OUT") });
    return row < 0 ? std::nullopt : std::optional(row == 0 ? StoreMapped : LeaveOut);
}

std::optional<OperationPlan::Resolution> fileDialog::chooseForExisting(int count)
{
    QStringList offered;
    for (const auto &choice : Texts::resolutions())
        offered << (*m_texts)(choice.second);
    const int row = ZSingleSelectDlg::choose(m_operationTitle, m_texts->existing(count), offered);
    return row < 0 ? std::nullopt : std::optional(Texts::resolutions()[row].first);
}

bool fileDialog::replaceForGood(int count, const QString &why)
{
    return ZMessageDlg::ask(m_operationTitle, m_texts->replaceForGood(count, why));
}

bool fileDialog::replace(const QString &destination)
{
    return ZMessageDlg::ask(m_operationTitle, m_texts->replace(destination));
}

bool fileDialog::keepLinkApart(const QString &destination)
{
    return ZMessageDlg::ask(m_operationTitle, m_texts->keepLinkApart(destination));
}

void fileDialog::refuse(Refusal why)
{
    ZMessageDlg::inform((*m_texts)("BR_ERROR"), m_texts->refusal(why),
                        QStringLiteral("error_pop.bmp"));
}

bool fileDialog::confirmUndo(const Journal::Operation &last, int fromTheTrash, int leftTheTrash)
{
    return ZMessageDlg::ask((*m_texts)("BR_UNDO"), m_texts->undo(last, fromTheTrash, leftTheTrash));
}

bool fileDialog::interrupted(const Journal::Operation &last, int done, int putBack)
{
    const QString report = m_texts->interrupted(last, done, putBack);
    // Nothing done is nothing to take back: then only a notice.
    if (done > 0)
        return ZMessageDlg::ask((*m_texts)("BR_INTERRUPTED"), report);
    ZMessageDlg::inform((*m_texts)("BR_INTERRUPTED"), report, QStringLiteral("info_pop.bmp"));
    return false;
}
