// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zsoftkey.h"

#include "platform/zoptionsmenu.h"
#include "platform/zsoftkeybutton.h"

#include <QEvent>

#include <algorithm>

namespace {

constexpr int margin = 4; // around the keys, and between them
constexpr int verticalMargin = 2;

} // namespace

ZSoftKey::ZSoftKey(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ZSoftKey"));
    setAttribute(Qt::WA_StyledBackground);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (int i = 0; i < 2; ++i) {
        m_keys[i] = new ZSoftKeyButton(this);
        m_keys[i]->setFocusPolicy(Qt::NoFocus);
        m_keys[i]->setAutoRaise(true);
        m_keys[i]->setObjectName(i == 0 ? QStringLiteral("leftKey") : QStringLiteral("rightKey"));
        // Out of sight until it has a caption: a screen reader would read a button with no name.
        m_keys[i]->hide();
        connect(m_keys[i], &QToolButton::clicked, this, [this, i] { click(i); });
    }
}

ZSoftKey::Places ZSoftKey::placesFor(int width) const
{
    Places places;
    const int inside = std::max(1, width - 2 * margin);
    QList<int> shown;
    for (int i : { Left, Right }) {
        if (!m_keys[i]->isHidden())
            shown << i;
    }
    const auto place = [&](int key, int x, int y, int keyWidth) {
        keyWidth = std::min(keyWidth, inside);
        places.keys[key] = QRect(x, y, keyWidth, m_keys[key]->heightForWidth(keyWidth));
        places.height = std::max(places.height, places.keys[key].bottom() + 1 + verticalMargin);
    };
    places.height = 2 * verticalMargin;
    if (shown.size() == 1) {
        const int key = shown[0];
        const int keyWidth = std::min(m_keys[key]->sizeHint().width(), inside);
        place(key, key == Left ? margin : width - margin - keyWidth, verticalMargin, keyWidth);
        return places;
    }
    if (shown.isEmpty())
        return places;
    int widths[2];
    int least[2];
    for (int i : { Left, Right }) {
        widths[i] = m_keys[i]->sizeHint().width();
        least[i] = m_keys[i]->minimumSizeHint().width();
    }
    const int room = inside - margin;
    if (least[Left] + least[Right] > room) {
        // One above the other, each as it would be alone.
        place(Left, margin, verticalMargin, widths[Left]);
        const int right = std::min(widths[Right], inside);
        place(Right, width - margin - right, places.keys[Left].bottom() + 1 + margin, right);
        return places;
    }
    if (widths[Left] + widths[Right] > room) {
        // Side by side, each shrunk towards its longest word as far as the other needs.
        const int spare = room - least[Left] - least[Right];
        const int wanted = widths[Left] - least[Left] + widths[Right] - least[Right];
        widths[Left] = least[Left] + spare * (widths[Left] - least[Left]) / std::max(1, wanted);
        widths[Right] = room - widths[Left];
    }
    place(Left, margin, verticalMargin, widths[Left]);
    place(Right, width - margin - widths[Right], verticalMargin, widths[Right]);
    // Both as high as the higher one: one bar.
    const int height = std::max(places.keys[Left].height(), places.keys[Right].height());
    places.keys[Left].setHeight(height);
    places.keys[Right].setHeight(height);
    return places;
}

QSize ZSoftKey::sizeHint() const
{
    int width = 2 * margin;
    for (int i : { Left, Right }) {
        if (!m_keys[i]->isHidden())
            width += m_keys[i]->sizeHint().width() + margin;
    }
    return QSize(width, heightForWidth(width));
}

QSize ZSoftKey::minimumSizeHint() const
{
    int width = 0;
    for (int i : { Left, Right }) {
        if (!m_keys[i]->isHidden())
            width = std::max(width, m_keys[i]->minimumSizeHint().width());
    }
    width += 2 * margin;
    // As high as one row of keys: the layout asks heightForWidth() for the height at the width
    // it gives.
    return QSize(width, heightForWidth(sizeHint().width()));
}

int ZSoftKey::heightForWidth(int width) const
{
    return placesFor(width).height;
}

// A caption that changes asks for the keys to be placed anew.
bool ZSoftKey::event(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeKeys();
    }
    return QWidget::event(event);
}

void ZSoftKey::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeKeys();
}

void ZSoftKey::placeKeys()
{
    const Places places = placesFor(width());
    for (int i : { Left, Right })
        m_keys[i]->setGeometry(places.keys[i]);
}

void ZSoftKey::setText(int index, const QString &text, int)
{
    if (index < 0 || index > 1)
        return;
    (index == Left ? m_leftText : m_rightText) = text;
    m_keys[index]->setText(text);
    m_keys[index]->setAccessibleName(text);
    m_keys[index]->setVisible(!text.isEmpty());
    updateGeometry();
    placeKeys();
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
