// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/popupaccessible.h"

#include "platform/zpopup.h"

PopupAccessible::PopupAccessible(ZPopup *popup)
    : QAccessibleWidget(popup, QAccessible::Dialog)
{
}

QAccessible::Role PopupAccessible::role() const
{
    return static_cast<const ZPopup *>(object())->accessibleRole();
}
