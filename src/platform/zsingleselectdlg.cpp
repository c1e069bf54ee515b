// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zsingleselectdlg.h"

#include "core/names/filename.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QResizeEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

ZSingleSelectDlg::ZSingleSelectDlg(const QString &title, const QString &text,
                                   const QStringList &choices, QWidget *parent)
    : ZPopup(ZPopup::Dialog, parent, nullptr, true)
    , m_shownText(FileName::forDisplay(text))
    , m_choices(choices)
{
    setTitle(title);
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 8, 8, 8);
    m_label = messageLabel(m_shownText, body);
    m_list = new QListWidget(body);
    m_list->setAccessibleName(m_shownText);
    m_list->addItems(choices);
    m_list->setCurrentRow(0);
    // A long choice wraps, never widens the popup or hides behind a scroll bar.
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(false);
    m_rowHeight = m_list->sizeHintForRow(0);
    connect(m_list, &QListWidget::itemClicked, this, [this] { accept(); });
    layout->addWidget(m_label);
    layout->addWidget(m_list);
    insertChild(body);
    m_list->setFocus();
    getSoftKey()->setText(
            ZSoftKey::Left,
            QCoreApplication::translate("ZSingleSelectDlg", "TXT_RID_SOFTKEY_SELECT", "Select"));
    getSoftKey()->setText(
            ZSoftKey::Right,
            QCoreApplication::translate("ZSingleSelectDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
}

int ZSingleSelectDlg::selectedIndex() const
{
    return m_list->currentRow();
}

int ZSingleSelectDlg::choose(const QString &title, const QString &text, const QStringList &choices)
{
    auto *popup = new ZSingleSelectDlg(title, text, choices);
    const bool chosen = popup->exec() == 1;
    const int row = popup->selectedIndex();
    delete popup;
    return chosen && row >= 0 && row < choices.size() ? row : -1;
}

int ZSingleSelectDlg::softKeyForKey(int key) const
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select)
        return ZSoftKey::Left;
    return ZPopup::softKeyForKey(key);
}

// Up and Down reach the list even when a tap left the focus elsewhere.
void ZSingleSelectDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        const int row = m_list->currentRow() + (event->key() == Qt::Key_Down ? 1 : -1);
        if (row >= 0 && row < m_list->count())
            m_list->setCurrentRow(row);
        event->accept();
        return;
    }
    ZPopup::keyPressEvent(event);
}

void ZSingleSelectDlg::showEvent(QShowEvent *event)
{
    // Placed first: the choices wrap at the width it gets.
    ZPopup::showEvent(event);
    fitToChoices();
}

void ZSingleSelectDlg::resizeEvent(QResizeEvent *event)
{
    ZPopup::resizeEvent(event);
    if (isVisible() && width() != m_fittedWidth)
        fitToChoices();
}

// Every choice in sight, each as tall as its wrapped text at the popup's width (room left for a
// scroll bar, so that one that comes and goes does not change it); only a list taller than the
// window scrolls.
void ZSingleSelectDlg::fitToChoices()
{
    m_fittedWidth = width();
    layout()->activate();
    const QFontMetrics metrics = m_list->fontMetrics();
    const int listWidth = m_list->width();
    // What an item keeps around its text: the frame, a scroll bar, its margins.
    const int textWidth
            = std::max(1, listWidth - 2 * m_list->frameWidth()
                                  - m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                                  - 2 * metrics.averageCharWidth());
    int content = 2 * m_list->frameWidth();
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        const int lines = metrics.boundingRect(QRect(0, 0, textWidth, 1 << 20), Qt::TextWordWrap,
                                               item->text())
                                  .height()
                          / std::max(1, metrics.lineSpacing());
        item->setSizeHint(
                QSize(textWidth, m_rowHeight + (std::max(1, lines) - 1) * metrics.lineSpacing()));
        content += item->sizeHint().height();
    }
    const int labelHeight = m_label->heightForWidth(m_label->width());
    const int around = sizeHint().height() - m_list->sizeHint().height()
                       - m_label->sizeHint().height() + labelHeight;
    const int room = std::min(maximumHeight(), hostArea().height()) - around;
    // The popup follows: it is placed anew with its new height.
    m_list->setFixedHeight(std::max(m_rowHeight, std::min(content, room)));
}
