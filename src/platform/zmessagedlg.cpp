// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zmessagedlg.h"

#include "core/names/filename.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>

#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

ZMessageDlg::ZMessageDlg(const QString &title, const QString &text, int type, int, QWidget *parent,
                         const char *name, bool modal, int)
    : ZPopup(ZPopup::Dialog, parent, name, modal)
    , m_type(type)
{
    setTitle(title);
    // A notice tells what happened: a screen reader reads an alert as soon as it shows.
    if (type == Notice)
        setAccessibleRole(QAccessible::AlertMessage);
    m_shownText = FileName::forDisplay(text);
    m_text = messageLabel(m_shownText, this);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setContentsMargins(8, 8, 8, 8);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("messageScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidget(m_text);
    insertChild(m_scroll);
    if (type == Question) {
        getSoftKey()->setText(ZSoftKey::Left, QCoreApplication::translate(
                                                      "ZMessageDlg", "TXT_RID_SOFTKEY_YES", "Yes"));
        getSoftKey()->setText(ZSoftKey::Right, QCoreApplication::translate(
                                                       "ZMessageDlg", "TXT_RID_SOFTKEY_NO", "No"));
    } else {
        getSoftKey()->setText(ZSoftKey::Left, QCoreApplication::translate(
                                                      "ZMessageDlg", "TXT_RID_SOFTKEY_OK", "OK"));
    }
}

QString ZMessageDlg::text() const
{
    return m_shownText;
}

void ZMessageDlg::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = m_scroll->verticalScrollBar();
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const int step = qMax(bar->singleStep(), fontMetrics().lineSpacing() * 2);
        bar->setValue(bar->value() + (event->key() == Qt::Key_Down ? step : -step));
        event->accept();
        return;
    }
    ZPopup::keyPressEvent(event);
}

void ZMessageDlg::showEvent(QShowEvent *event)
{
    fitToText();
    ZPopup::showEvent(event);
    if (m_type == Notice) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

// The text's height at the popup's width, as far as the popup may grow: a wrapped label's own
// size hint knows neither.
void ZMessageDlg::fitToText()
{
    layout()->activate();
    const int textHeight = m_text->heightForWidth(
            m_scroll->viewport()->width() > 0 ? m_scroll->viewport()->width() : width());
    const int around = sizeHint().height() - m_scroll->sizeHint().height();
    const int room = std::min(maximumHeight(), hostArea().height()) - around;
    m_scroll->setMinimumHeight(qMax(0, qMin(textHeight, room)));
    adjustSize();
}

int ZMessageDlg::softKeyForKey(int key) const
{
    if (m_type != Question
        && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select))
        return ZSoftKey::Left;
    return ZPopup::softKeyForKey(key);
}

bool ZMessageDlg::ask(const QString &title, const QString &text)
{
    auto *question = new ZMessageDlg(title, text, Question, 0, nullptr, nullptr, true, 0);
    const int answer = question->exec();
    delete question;
    return answer == 1;
}

void ZMessageDlg::inform(const QString &title, const QString &text, const QString &iconFileName)
{
    auto *notice = new ZMessageDlg(title, text, Notice, 0, nullptr, nullptr, true, 0);
    if (!iconFileName.isEmpty())
        notice->setTitleIcon(iconFileName);
    notice->exec();
    delete notice;
}
