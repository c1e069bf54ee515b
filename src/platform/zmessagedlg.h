#pragma once

#include "zpopup.h"

class QLabel;

// A message popup. Type 1 asks a yes/no question (exec() returns 1 for yes); type 2 is a notice
// with one key. Return or F1 is the left key, Escape or F2 the right key.
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
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_type;
    QLabel *m_text;
};
