#pragma once

#include "zpopup.h"

class QLabel;

// A message popup. Type 1 asks a yes/no question (exec() returns 1 for yes); type 2 is a notice
// with one key. A question is answered by the soft keys alone (F1 or the keypad's left key is
// yes; F2, Escape, Back or the keypad's right key is no), so that a Return meant for the list or
// the menu never answers it unread. A notice also closes with Return, Enter or Select.
class ZMessageDlg : public ZPopup
{
    Q_OBJECT
public:
    enum Type { Question = 1, Notice = 2 };

    ZMessageDlg(const QString &title, const QString &text, int type = Notice, int = 0,
                QWidget *parent = nullptr, const char *name = nullptr, bool modal = true, int = 0);

    QString text() const;
    int type() const { return m_type; }

protected:
    int softKeyForKey(int key) const override;

private:
    int m_type;
    QLabel *m_text;
    QString m_shownText;
};
