#include "zmessagedlg.h"

#include "filename.h"
#include "zsoftkey.h"

#include <QCoreApplication>
#include <QLabel>

ZMessageDlg::ZMessageDlg(const QString &title, const QString &text, int type, int, QWidget *parent,
                         const char *name, bool modal, int)
    : ZPopup(1, parent, name, modal)
    , m_type(type)
{
    setTitle(title);
    m_shownText = FileName::forDisplay(text);
    m_text = new QLabel(breakable(m_shownText), this);
    m_text->setAccessibleName(m_shownText);
    setAccessibleDescription(m_shownText);
    m_text->setObjectName(QStringLiteral("messageText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setContentsMargins(8, 8, 8, 8);
    insertChild(m_text);
    if (type == Question) {
        getSoftKey()->setText(
                0, QCoreApplication::translate("ZMessageDlg", "TXT_RID_SOFTKEY_YES", "Yes"));
        getSoftKey()->setText(
                1, QCoreApplication::translate("ZMessageDlg", "TXT_RID_SOFTKEY_NO", "No"));
    } else {
        getSoftKey()->setText(
                0, QCoreApplication::translate("ZMessageDlg", "TXT_RID_SOFTKEY_OK", "OK"));
    }
}

QString ZMessageDlg::text() const
{
    return m_shownText;
}

int ZMessageDlg::softKeyForKey(int key) const
{
    if (m_type != Question
        && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select))
        return 0;
    return ZPopup::softKeyForKey(key);
}
