#pragma once

#include "zpopup.h"

#include <QLineEdit>

using ZLineEdit = QLineEdit;
class QLabel;

// A one-line text entry under a text. The entry has the keyboard focus; Return or F1 accepts
// (exec() returns 1), Escape or F2 cancels.
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

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_text;
    ZLineEdit *m_edit;
};
