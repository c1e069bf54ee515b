#pragma once

#include "platform/zpopup.h"

#include <QStringList>

class QLabel;
class QListWidget;

// A choice among a few: a text, then the choices as a list. Up and Down move the highlight (the
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
    QString text() const { return m_shownText; }
    QStringList choices() const { return m_choices; }

protected:
    int softKeyForKey(int key) const override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_shownText;
    QStringList m_choices;
    QListWidget *m_list;
};
