// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/shell/commandrunner.h"

#include <QString>

#include <functional>
#include <memory>

class deathDlg;

// The commands of one operation, one after another, in one wait popup kept for all of them: the
// popup stays up between the entries of an operation on several, its stop question counts all
// along, and failures are the operation's to show. What each command shows comes worded from
// the one who made it (the window, with the catalogue): the runner words nothing.
class OperationRunner : public CommandRunner
{
public:
    // What the popup shows while a command runs; a stop text, where set, is the stop question
    // from that command on.
    struct Shown
    {
        QString title, text, stopText;
    };
    using Wording = std::function<Shown(Shows shows, const QString &entry)>;

    // The stop question (its title also that of the popup's failures) and whether there are
    // several entries.
    OperationRunner(const QString &title, const QString &stopText, bool several,
                    const Wording &wording);
    ~OperationRunner() override;

    Ran run(const Command &command) override;
    bool stopped() const override;
    void stepAside() override;

private:
    std::unique_ptr<deathDlg> m_popup;
    Wording m_wording;
    QString m_title;
    bool m_clockStarted = false;
};
