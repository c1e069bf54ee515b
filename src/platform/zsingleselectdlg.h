// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/zpopup.h"

#include <QStringList>

class QLabel;
class QListWidget;

// A choice among a few: a text, then the choices as a list, each wrapped, all in sight up to the
// main window's height. Up and Down move the highlight (the
// first choice is highlighted when it opens); Return, Enter, Select or the left soft key take
// the highlighted choice, a tap takes the tapped one; the right soft key cancels. exec() returns
// 1 when a choice was taken, and selectedIndex() says which.
class ZSingleSelectDlg : public ZPopup
{
    Q_OBJECT
public:
    ZSingleSelectDlg(const QString &title, const QString &text, const QStringList &choices,
                     QWidget *parent = nullptr);

    int selectedIndex() const;
    // Shows one and waits: the row taken, or -1 when it was cancelled.
    static int choose(const QString &title, const QString &text, const QStringList &choices);
    QString text() const { return m_shownText; }
    QStringList choices() const { return m_choices; }

protected:
    int softKeyForKey(int key) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitToChoices();

    QString m_shownText;
    QStringList m_choices;
    QLabel *m_label;
    QListWidget *m_list;
    int m_rowHeight = 0; // of a choice on one line
    int m_fittedWidth = -1;
};
