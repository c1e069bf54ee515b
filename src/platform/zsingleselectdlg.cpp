// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zsingleselectdlg.h"

#include "core/names/filename.h"
#include "platform/zchoicedelegate.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QResizeEvent>
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
    m_list->setItemDelegate(new ZChoiceDelegate(m_list));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(false);
    m_list->setResizeMode(QListView::Adjust);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    // The second tap on the highlighted choice takes it; the first only highlights.
    const auto takeIfSecond = [this] {
        if (m_pressedTheHighlighted)
            accept();
    };
    connect(m_list, &QListWidget::itemClicked, this, takeIfSecond);
    connect(m_list, &QListWidget::itemDoubleClicked, this, takeIfSecond);
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

bool ZSingleSelectDlg::eventFilter(QObject *watched, QEvent *event)
{
    // The list would take Select (and Space) as its own selection: here it takes the choice.
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Select) {
        accept();
        return true;
    }
    if (watched == m_list->viewport()
        && (event->type() == QEvent::MouseButtonPress
            || event->type() == QEvent::MouseButtonDblClick)) {
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        const int row = m_list->indexAt(at).row();
        m_pressedTheHighlighted = row >= 0 && row == m_list->currentRow();
    }
    return ZPopup::eventFilter(watched, event);
}

// Every choice in sight, each as tall as its wrapped text at the popup's width; only a list
// taller than the window scrolls.
void ZSingleSelectDlg::fitToChoices()
{
    m_fittedWidth = width();
    layout()->activate();
    m_list->doItemsLayout();
    int content = 2 * m_list->frameWidth();
    for (int row = 0; row < m_list->count(); ++row)
        content += m_list->sizeHintForRow(row);
    const int labelHeight = m_label->heightForWidth(m_label->width());
    const int around = sizeHint().height() - m_list->sizeHint().height()
                       - m_label->sizeHint().height() + labelHeight;
    const int room = std::min(maximumHeight(), hostArea().height()) - around;
    // The popup follows: it is placed anew with its new height.
    m_list->setFixedHeight(std::max(m_list->sizeHintForRow(0), std::min(content, room)));
}
