// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zsinglecapturedlg.h"

#include "core/names/filename.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

ZSingleCaptureDlg::ZSingleCaptureDlg(const QString &title, const QString &text, int,
                                     QWidget *parent, const char *name, bool modal, int, int)
    : ZPopup(ZPopup::Dialog, parent, name, modal)
{
    setTitle(title);
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 8, 8, 8);
    m_shownText = FileName::forDisplay(text);
    m_text = messageLabel(m_shownText, body);
    m_edit = new ZLineEdit(body);
    layout->addWidget(m_text);
    layout->addWidget(m_edit);
    layout->addStretch();
    insertChild(body);
    m_edit->setFocus();
    getSoftKey()->setText(ZSoftKey::Left, QCoreApplication::translate("ZSingleCaptureDlg",
                                                                      "TXT_RID_SOFTKEY_OK", "OK"));
    getSoftKey()->setText(
            ZSoftKey::Right,
            QCoreApplication::translate("ZSingleCaptureDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
}

QString ZSingleCaptureDlg::getResultText() const
{
    return m_edit->text();
}

QString ZSingleCaptureDlg::text() const
{
    return m_shownText;
}

int ZSingleCaptureDlg::softKeyForKey(int key) const
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return ZSoftKey::Left;
    return ZPopup::softKeyForKey(key);
}

void ZSingleCaptureDlg::showEvent(QShowEvent *event)
{
    ZPopup::showEvent(event);
    m_edit->setFocus();
}

QString ZSingleCaptureDlg::ask(const QString &title, const QString &text, const QString &offered,
                               int selected)
{
    auto *dialog = new ZSingleCaptureDlg(title, text, 0, nullptr, "ZSingleCaptureDlg", true, 0, 0);
    dialog->getLineEdit()->setText(offered);
    dialog->getLineEdit()->setSelection(0, selected);
    QString name;
    if (dialog->exec() == 1)
        name = dialog->getResultText();
    delete dialog;
    return name;
}
