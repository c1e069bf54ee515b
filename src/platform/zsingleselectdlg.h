// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/zpopup.h"

#include <QStringList>

class QLabel;
class QListWidget;

// A choice among a few: a text, then the choices as a list, each whole (wrapped) on a row a
// finger can hit, all in sight up to the main window's height. Up and Down move the highlight (the
// first choice is highlighted when it opens), and so does a tap: one slip must not take "Replace
// all" for "Skip existing". Return, Enter, Select, the left soft key or a second tap on the
// highlighted choice take it; the right soft key cancels. exec() returns 1 when a choice was
// taken, and selectedIndex() says which.
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
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitToChoices();

    QString m_shownText;
    QStringList m_choices;
    QLabel *m_label;
    QListWidget *m_list;
    int m_fittedWidth = -1;
    bool m_pressedTheHighlighted = false; // a press that may be the second tap
};
