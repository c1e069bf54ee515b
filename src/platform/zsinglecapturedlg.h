// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/zpopup.h"

#include <QLineEdit>

using ZLineEdit = QLineEdit;
class QLabel;

// A one-line text entry under a text. The entry has the keyboard focus; Return, Enter, F1 or the
// keypad's left key accepts (exec() returns 1); Escape, F2, Back or the keypad's right key cancels.
class ZSingleCaptureDlg : public ZPopup
{
    Q_OBJECT
public:
    ZSingleCaptureDlg(const QString &title, const QString &text, int type = 0,
                      QWidget *parent = nullptr, const char *name = nullptr, bool modal = true,
                      int = 0, int = 0);

    ZLineEdit *getLineEdit() const { return m_edit; }
    QString getResultText() const;
    QString text() const;

    // Made, run and gone: the text the user accepted, as it stands, or a null string when the
    // entry was cancelled. It starts with the offered text, its first `selected` characters
    // selected, so that typing replaces them and the arrow keys edit it.
    static QString ask(const QString &title, const QString &text, const QString &offered,
                       int selected);

protected:
    int softKeyForKey(int key) const override;
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_text;
    QString m_shownText;
    ZLineEdit *m_edit;
};
