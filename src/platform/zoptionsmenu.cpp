// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zoptionsmenu.h"

#include "platform/zmenustyle.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QTimer>

ZOptionsMenu::ZOptionsMenu(const QRect &, QWidget *parent, const char *name, int, int)
    : QMenu(parent)
{
    if (name)
        setObjectName(QString::fromUtf8(name));
    setStyle(ZMenuStyle::instance());
}

QStyleOptionMenuItem ZOptionsMenu::styleOption(const QAction *action) const
{
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option;
}

QAction *ZOptionsMenu::insertItem(const QString &text, const QPixmap *pixmap, QObject *receiver,
                                  const char *slot, bool, bool, bool, int, int, bool)
{
    auto *action = new QAction(text, this);
    if (pixmap && !pixmap->isNull())
        action->setIcon(QIcon(*pixmap));
    if (receiver && slot)
        connect(action, SIGNAL(triggered()), receiver, slot, Qt::QueuedConnection);
    addAction(action);
    return action;
}

QAction *ZOptionsMenu::insertItem(const QString &text, ZOptionsMenu *submenu, const QPixmap *pixmap,
                                  bool, int, int, bool, bool, bool)
{
    if (!submenu)
        return nullptr;
    submenu->setTitle(text);
    submenu->m_parentMenu = this;
    if (pixmap && !pixmap->isNull())
        submenu->setIcon(QIcon(*pixmap));
    return addMenu(submenu);
}

void ZOptionsMenu::clear()
{
    // The entry that is being chosen may be the one that asks for this rebuild: let it finish.
    const QList<QAction *> entries = actions();
    for (QAction *action : entries) {
        removeAction(action);
        if (action->parent() == this)
            action->deleteLater();
    }
}

void ZOptionsMenu::showEvent(QShowEvent *event)
{
    QMenu::showEvent(event);
    if (m_parentMenu && m_parentMenu->isVisible()) {
        const QRect parentRect = m_parentMenu->geometry();
        const QRect room = screen() ? screen()->availableGeometry() : QRect();
        if (geometry().intersects(parentRect)) {
            QPoint place(parentRect.left(), parentRect.top() - height());
            if (place.y() < room.top())
                place.setY(parentRect.bottom() + 1);
            if (place.y() + height() <= room.bottom() + 1 || place.y() < parentRect.top())
                move(place);
        }
    }
    // Highlight the first entry without opening it when it is a submenu (setActiveAction would):
    // a Down key press does just that.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !activeAction()) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QCoreApplication::sendEvent(this, &down);
        }
    });
}

void ZOptionsMenu::keyPressEvent(QKeyEvent *event)
{
    switch (ZSoftKey::softKeyFor(event->key())) {
    case 0: {
        QKeyEvent choose(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QMenu::keyPressEvent(&choose);
        return;
    }
    case 1: {
        QKeyEvent close(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QMenu::keyPressEvent(&close);
        return;
    }
    default:
        QMenu::keyPressEvent(event);
    }
}
