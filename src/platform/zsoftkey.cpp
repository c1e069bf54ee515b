// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zsoftkey.h"

#include "platform/zoptionsmenu.h"

#include <QHBoxLayout>
#include <QToolButton>

ZSoftKey::ZSoftKey(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ZSoftKey"));
    setAttribute(Qt::WA_StyledBackground);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    for (int i = 0; i < 2; ++i) {
        m_keys[i] = new QToolButton(this);
        m_keys[i]->setFocusPolicy(Qt::NoFocus);
        m_keys[i]->setAutoRaise(true);
        m_keys[i]->setObjectName(i == 0 ? QStringLiteral("leftKey") : QStringLiteral("rightKey"));
        // Out of sight until it has a caption: a screen reader would read a button with no name.
        m_keys[i]->hide();
        connect(m_keys[i], &QToolButton::clicked, this, [this, i] { click(i); });
    }
    layout->addWidget(m_keys[Left]);
    layout->addStretch();
    layout->addWidget(m_keys[Right]);
}

void ZSoftKey::setText(int index, const QString &text, int)
{
    if (index < 0 || index > 1)
        return;
    (index == Left ? m_leftText : m_rightText) = text;
    m_keys[index]->setText(text);
    m_keys[index]->setAccessibleName(text);
    m_keys[index]->setVisible(!text.isEmpty());
}

QString ZSoftKey::text(int index) const
{
    return index >= 0 && index <= 1 ? m_keys[index]->text() : QString();
}

void ZSoftKey::setClickedSlot(int index, QObject *receiver, const char *slot)
{
    if (index < 0 || index > 1 || !receiver || !slot)
        return;
    m_custom[index] = true;
    connect(this, index == Left ? SIGNAL(leftCustom()) : SIGNAL(rightCustom()), receiver, slot);
}

void ZSoftKey::setTextForOptMenuHide(const QString &text)
{
    m_menuHidden = text;
}

void ZSoftKey::setTextForOptMenuShow(const QString &select, const QString &cancel)
{
    m_menuSelect = select;
    m_menuCancel = cancel;
}

void ZSoftKey::setOptMenu(int index, ZOptionsMenu *menu)
{
    if (index != 0)
        return;
    if (m_menu)
        disconnect(m_menu, nullptr, this, nullptr);
    m_menu = menu;
    if (!m_menu)
        return;
    if (!m_menuHidden.isEmpty())
        setText(Left, m_menuHidden);
    // While the menu is open the keys select and cancel; afterwards they are what they were.
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        if (!m_menuSelect.isEmpty())
            m_keys[Left]->setText(m_menuSelect);
        if (!m_menuCancel.isEmpty())
            m_keys[Right]->setText(m_menuCancel);
    });
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        m_keys[Left]->setText(m_leftText);
        m_keys[Right]->setText(m_rightText);
    });
}

void ZSoftKey::click(int index)
{
    if (index == Left && m_menu) {
        showMenu();
        return;
    }
    if (index == Left && m_custom[Left])
        emit leftCustom();
    else if (index == Right && m_custom[Right])
        emit rightCustom();
    else
        emit clicked(index);
}

int ZSoftKey::softKeyFor(int key)
{
    switch (key) {
    case Qt::Key_F1:
    case Qt::Key_Context1:
        return Left;
    case Qt::Key_F2:
    case Qt::Key_Escape:
    case Qt::Key_Back:
    case Qt::Key_Context2:
        return Right;
    default:
        return None;
    }
}

void ZSoftKey::showMenu()
{
    if (m_menu->isEmpty() || m_menu->isVisible())
        return;
    // Open upwards from the left key, as on the phone.
    const QPoint corner = mapToGlobal(QPoint(0, 0));
    const QSize size = m_menu->sizeHint();
    m_menu->popup(QPoint(corner.x(), qMax(0, corner.y() - size.height())));
}
