// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/zpopup.h"

class QLabel;
class QScrollArea;

// A message popup. Type 1 asks a yes/no question (exec() returns 1 for yes); type 2 is a notice
// with one key. A question is answered by the soft keys alone (F1 or the keypad's left key is
// yes; F2, Escape, Back or the keypad's right key is no), so that a Return meant for the list or
// the menu never answers it unread. A notice also closes with Return, Enter or Select.
// The popup grows with its text up to the screen's height; a longer text scrolls, with a scroll
// bar that shows there is more, and Up and Down scroll it, so that all of it can be read.
class ZMessageDlg : public ZPopup
{
    Q_OBJECT
public:
    enum Type { Question = 1, Notice = 2 };

    ZMessageDlg(const QString &title, const QString &text, int type = Notice, int = 0,
                QWidget *parent = nullptr, const char *name = nullptr, bool modal = true, int = 0);

    QString text() const;
    int type() const { return m_type; }

    // The two ways an application uses it: a yes/no question, made, run and gone, which says
    // whether the left key (yes) answered it; and a notice with a title icon (an icon's file
    // name, empty for none).
    static bool ask(const QString &title, const QString &text);
    static void inform(const QString &title, const QString &text, const QString &iconFileName);

protected:
    int softKeyForKey(int key) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitToText();

    int m_type;
    QLabel *m_text;
    QScrollArea *m_scroll;
    QString m_shownText;
};
