// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class ZSoftKeyButton;
class ZOptionsMenu;

// The soft-key bar at the bottom of a popup: key 0 is the left key, key 1 the right key.
// The left key opens the options menu when one is attached; otherwise a key invokes the slot
// given with setClickedSlot(), or, failing that, emits clicked() for the popup's own use.
// The keys share the bar's width, their captions wrapped where they must be; where even their
// longest words do not fit side by side, the right key goes below the left one.
class ZSoftKey : public QWidget
{
    Q_OBJECT
public:
    enum Key { None = -1, Left = 0, Right = 1 };

    explicit ZSoftKey(QWidget *parent = nullptr);

    void setText(int index, const QString &text, int priority = 0);
    QString text(int index) const;
    void setClickedSlot(int index, QObject *receiver, const char *slot);
    void setTextForOptMenuHide(const QString &text);
    void setTextForOptMenuShow(const QString &select, const QString &cancel);
    void setOptMenu(int index, ZOptionsMenu *menu);
    ZOptionsMenu *optMenu() const { return m_menu; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

    // What a press of the key does, from the keyboard, a keypad or the mouse.
    void click(int index);

    // The one mapping from a key to a soft key, shared by every popup: F1 and the keypad's left
    // key are the left soft key (0); F2, Escape, Back and the keypad's right key are the right
    // soft key (1); any other key is neither (-1).
    static int softKeyFor(int key);

signals:
    void clicked(int index);
    void leftCustom();
    void rightCustom();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showMenu();
    // Where the keys go in a bar of this width; the bar's height is the lower one's bottom.
    struct Places
    {
        QRect keys[2];
        int height = 0;
    };
    Places placesFor(int width) const;
    void placeKeys();

    ZSoftKeyButton *m_keys[2];
    bool m_custom[2] = { false, false };
    ZOptionsMenu *m_menu = nullptr;
    QString m_menuHidden, m_menuSelect, m_menuCancel, m_leftText, m_rightText;
};
