#include "platform/zsingleselectdlg.h"

#include "core/filename.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

ZSingleSelectDlg::ZSingleSelectDlg(const QString &title, const QString &text,
                                   const QStringList &choices, QWidget *parent)
    : ZPopup(ZPopup::Dialog, parent, nullptr, true)
    , m_shownText(FileName::forDisplay(text))
    , m_choices(choices)
{
    setTitle(title);
    setAccessibleDescription(m_shownText);
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 8, 8, 8);
    auto *label = new QLabel(breakable(m_shownText), body);
    label->setObjectName(QStringLiteral("messageText"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    m_list = new QListWidget(body);
    m_list->addItems(choices);
    m_list->setCurrentRow(0);
    // As tall as its choices: a few, all in sight.
    m_list->setFixedHeight(m_list->sizeHintForRow(0) * int(choices.size())
                           + 2 * m_list->frameWidth());
    connect(m_list, &QListWidget::itemClicked, this, [this] { accept(); });
    layout->addWidget(label);
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
