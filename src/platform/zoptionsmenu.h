// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>

class QPixmap;
class QStyleOptionMenuItem;

// An options menu: entries that invoke a receiver's slot by its name (as SLOT() writes it), and
// entries that open a submenu. When it opens, its first entry is highlighted. Up, Down, Return,
// Right and Escape work as in any menu; F1 chooses, F2 closes. A submenu never covers its parent's
// entries: where it has no room beside them, it opens above them (or below). Every entry shows its
// text whole (ZMenuStyle).
class ZOptionsMenu : public QMenu
{
    Q_OBJECT
public:
    ZOptionsMenu(const QRect &contentRect, QWidget *parent = nullptr, const char *name = nullptr,
                 int = 0, int = 0);

    // The slot runs once the menu has closed, so that it may open dialogs or rebuild this menu.
    QAction *insertItem(const QString &text, const QPixmap *pixmap, QObject *receiver,
                        const char *slot, bool = true, bool = false, bool = false, int = -1,
                        int = -1, bool = false);
    QAction *insertItem(const QString &text, ZOptionsMenu *submenu, const QPixmap *pixmap = nullptr,
                        bool = true, int = -1, int = -1, bool = false, bool = false, bool = false);
    void clear();
    // What the menu draws an entry from.
    QStyleOptionMenuItem styleOption(const QAction *action) const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    ZOptionsMenu *m_parentMenu = nullptr; // the menu this one is a submenu of
};
