// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/workwait.h"

#include "platform/zmessagedlg.h"
#include "platform/zsoftkey.h"
#include "runner/deathdlg.h"

#include <QCoreApplication>
#include <QElapsedTimer>

bool WorkWait::run(const QString &text,
                   const std::function<void(const std::function<bool()> &)> &work,
                   const StopQuestion &question)
{
    QElapsedTimer clock;
    clock.start();
    deathDlg popup(QString(), text, nullptr);
    bool stopped = false, asking = false;
    popup.setRightKeyAction([&] {
        if (asking)
            return;
        if (question.text.isEmpty()) {
            stopped = true;
            return;
        }
        asking = true;
        if (question.pause)
            question.pause(true);
        stopped = ZMessageDlg::ask(question.title, question.text);
        if (question.pause && !stopped)
            question.pause(false);
        asking = false;
    });
    work([&] {
        if (!popup.isVisible() && clock.elapsed() > 300) {
            popup.getSoftKey()->setText(
                    ZSoftKey::Right,
                    QCoreApplication::translate("deathDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
            popup.startClock();
            popup.show();
        }
        if (popup.isVisible()) {
            popup.showElapsed();
            QCoreApplication::processEvents();
        }
        return !stopped;
    });
    return !stopped;
}
