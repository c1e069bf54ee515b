// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class ZPopup;

// What a screen reader is told that a popup is, asked each time: a popup of a kind of its own
// says so once it is made, after Qt may have made this for it.
class PopupAccessible : public QAccessibleWidget
{
public:
    explicit PopupAccessible(ZPopup *popup);
    QAccessible::Role role() const override;
};
