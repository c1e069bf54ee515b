// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zlistbox.h"

#include "core/names/filename.h"
#include "platform/zflick.h"
#include "platform/zglobal.h"
#include "platform/zlistboxaccessible.h"
#include "platform/zlistboxmodel.h"
#include "platform/zpalette.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

// Qt asks for each class of an object from its own upwards: every list is met here.
QAccessibleInterface *listAccessible(const QString &className, QObject *object)
{
    return className == QLatin1String("ZListBox")
                   ? new ZListBoxAccessible(static_cast<ZListBox *>(object))
                   : nullptr;
}

constexpr int holdTime = 500; // ms of a press that stays where it is, to be a press and hold
constexpr int thinAfter = 1200; // ms after its last use, the scroll bar goes thin again

} // namespace

ZListBoxRows::~ZListBoxRows() = default;

QString ZListBoxRows::description(int) const
{
    return QString();
}

int ZListBoxRows::rowOf(const QString &text) const
{
    for (int row = 0; row < count(); ++row) {
        if (this->text(row) == text)
            return row;
    }
    return -1;
}

ZListBoxItem::ZListBoxItem(ZListBox *, const QString &) { }

void ZListBoxItem::appendSubItem(int column, const QString &text, bool, const QPixmap *pixmap)
{
    if (column < 0 || column > 2)
        return;
    m_columns[column].text = text;
    if (pixmap)
        m_columns[column].pixmap = *pixmap;
}

void ZListBoxItem::setPixmap(int column, const QPixmap &pixmap, bool, bool)
{
    if (column >= 0 && column <= 2)
        m_columns[column].pixmap = pixmap;
}

QString ZListBoxItem::getSubItemText(int column, int, bool) const
{
    return column >= 0 && column <= 2 ? m_columns[column].text : QString();
}

QPixmap ZListBoxItem::getSubItemPixmap(int column) const
{
    return column >= 0 && column <= 2 ? m_columns[column].pixmap : QPixmap();
}

ZListBox::ZListBox(const QString &itemType, QWidget *parent, int, int)
    : QAbstractScrollArea(parent)
    , m_itemType(itemType)
    , m_model(new ZListBoxModel(this))
    , m_bar(new QScrollBar(Qt::Vertical, viewport()))
    , m_thin(new QTimer(this))
    , m_flick(new ZFlick(this))
    , m_hold(new QTimer(this))
{
    static const bool known = (QAccessible::installFactory(listAccessible), true);
    Q_UNUSED(known);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    const ZSizes sizes = ZGlobal::sizes();
    // In proportion to the text: the 32 pixels the list has always had, grown with it.
    m_iconSize = QSize(sizes.iconSize(), sizes.iconSize());
    m_flick->setThreshold(sizes.scaled(QApplication::startDragDistance()));
    connect(m_flick, &ZFlick::scrolled, this, [this](int pixels) {
        const int before = m_bar->value();
        m_bar->setValue(before + pixels);
        // A flick stops at the ends.
        if (m_bar->value() == before && !m_flick->isDragging())
            m_flick->stop();
        used();
    });
    // Over the rows' right edge: thin, and wide enough for a finger while it is used.
    m_bar->hide();
    connect(m_bar, &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    connect(m_bar, &QScrollBar::sliderPressed, this, &ZListBox::used);
    m_thin->setSingleShot(true);
    m_thin->setInterval(thinAfter);
    connect(m_thin, &QTimer::timeout, this, [this] {
        if (m_bar->isSliderDown() || m_flick->isFlicking())
            return m_thin->start();
        m_bar->setProperty("wide", false);
        layOutBar();
    });
    m_hold->setSingleShot(true);
    m_hold->setInterval(holdTime);
    connect(m_hold, &QTimer::timeout, this, [this] {
        if (!m_pressTaps || m_pressedRow < 0)
            return;
        m_pressTaps = false;
        emit held(m_pressedRow);
    });
    updateGeometry();
}

ZListBox::~ZListBox() = default;

QAbstractItemModel *ZListBox::model() const
{
    return m_model;
}

void ZListBox::updateGeometry()
{
    // A finger's width at least, where the screen says how large a millimetre is.
    m_rowHeight = ZGlobal::sizes().atLeastMm(
            std::max(m_iconSize.height(), fontMetrics().height()) + 2, ZSizes::rowMm);
    m_bar->setSingleStep(m_rowHeight);
    m_bar->setPageStep(std::max(m_rowHeight, viewport()->height()));
    // Up to the last row by whole rows, so that keys never leave the top row cut.
    const int beyond = std::max(0, count() * m_rowHeight - viewport()->height());
    m_bar->setRange(0, (beyond + m_rowHeight - 1) / m_rowHeight * m_rowHeight);
    layOutBar();
    viewport()->update();
}

void ZListBox::layOutBar()
{
    const ZSizes sizes = ZGlobal::sizes();
    const bool wide = m_bar->property("wide").toBool();
    const int width = std::min(viewport()->width() / 4,
                               wide ? sizes.atLeastMm(sizes.scaled(24), 5) : sizes.scaled(4));
    const auto c = [](QRgb colour) { return QColor(colour).name(); };
    if (m_bar->property("styledWidth").toInt() != width)
        m_bar->setStyleSheet(
                QStringLiteral("QScrollBar:vertical { background: transparent; width: %1px;"
                               " margin: 0; }"
                               "QScrollBar::handle:vertical { background: %2;"
                               " border-radius: %3px; min-height: %4px; }"
                               "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                               "QScrollBar::add-page, QScrollBar::sub-page {"
                               " background: transparent; }")
                        .arg(width)
                        .arg(c(ZPalette::checkBoxBorder))
                        .arg(width / 2)
                        .arg(2 * width));
    m_bar->setProperty("styledWidth", width);
    m_bar->setGeometry(viewport()->width() - width, 0, width, viewport()->height());
    m_bar->setVisible(m_bar->maximum() > 0);
    m_bar->raise();
}

void ZListBox::used()
{
    if (!m_bar->property("wide").toBool()) {
        m_bar->setProperty("wide", true);
        layOutBar();
    }
    m_thin->start();
}

void ZListBox::setItemType(const QString &itemType)
{
    if (itemType == m_itemType)
        return;
    m_model->reset([&] {
        m_itemType = itemType;
        m_madeItems.clear();
    });
    viewport()->update();
}

// Rows that came at first: what follows them moves down, the current row and the checks with it;
// the first rows of an empty list make the first row current.
void ZListBox::rowsAdded(int first, int count)
{
    m_madeItems.clear();
    m_model->insertRowsAt(first, count);
    m_checked.insertRows(first, count);
    if (m_current >= first)
        m_current += count;
    else if (m_current < 0)
        m_current = 0;
    updateGeometry();
}

void ZListBox::insertItem(ZListBoxItem *item, int index, bool)
{
    if (!item)
        return;
    const int items = int(m_items.size());
    const int at = index >= 0 && index < items ? index : items;
    m_items.emplace(m_items.begin() + at, item);
    rowsAdded(at, 1);
}

void ZListBox::setBulkRows(std::unique_ptr<const ZListBoxRows> rows)
{
    const int items = int(m_items.size());
    if (m_bulk && m_bulk->count() > 0) {
        const int gone = m_bulk->count();
        m_model->removeRowsAt(items, gone);
        m_bulk.reset();
        m_checked.removeRows(items, gone);
        m_current = std::min(m_current, count() - 1);
    }
    m_bulk = std::move(rows);
    if (m_bulk && m_bulk->count() > 0)
        rowsAdded(items, m_bulk->count());
    else
        updateGeometry();
}

void ZListBox::clear()
{
    m_flick->stop();
    m_model->reset([&] {
        m_items.clear();
        m_bulk.reset();
        m_checked.clear();
        m_madeItems.clear();
    });
    m_current = -1;
    m_bar->setValue(0);
    updateGeometry();
}

int ZListBox::count() const
{
    return int(m_items.size()) + (m_bulk ? m_bulk->count() : 0);
}

ZListBoxItem *ZListBox::item(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    if (index < int(m_items.size()))
        return m_items[size_t(index)].get();
    std::unique_ptr<ZListBoxItem> &made = m_madeItems[index];
    if (!made) {
        made = std::make_unique<ZListBoxItem>(const_cast<ZListBox *>(this));
        made->appendSubItem(textColumn(), text(index));
        made->setPixmap(textColumn() - 1, pixmap(index));
    }
    return made.get();
}

QString ZListBox::text(int index) const
{
    if (index < 0 || index >= count())
        return QString();
    const int items = int(m_items.size());
    return index < items ? m_items[size_t(index)]->getSubItemText(textColumn())
                         : m_bulk->text(index - items);
}

QPixmap ZListBox::pixmap(int index) const
{
    if (index < 0 || index >= count())
        return QPixmap();
    const int items = int(m_items.size());
    return index < items ? m_items[size_t(index)]->getSubItemPixmap(textColumn() - 1)
                         : m_bulk->pixmap(index - items);
}

QString ZListBox::description(int index) const
{
    if (index < 0 || index >= count())
        return QString();
    const int items = int(m_items.size());
    return index < items ? m_items[size_t(index)]->description()
                         : m_bulk->description(index - items);
}

int ZListBox::rowOf(const QString &text) const
{
    for (int row = 0; row < int(m_items.size()); ++row) {
        if (m_items[size_t(row)]->getSubItemText(textColumn()) == text)
            return row;
    }
    const int bulk = m_bulk ? m_bulk->rowOf(text) : -1;
    return bulk < 0 ? -1 : int(m_items.size()) + bulk;
}

void ZListBox::setCurrentItem(int index)
{
    if (index < 0 || index >= count())
        return;
    m_current = index;
    scrollToRow(index);
    viewport()->update();
    tellFocus();
}

void ZListBox::checkItem(int index, bool on)
{
    if (index < 0 || index >= count() || m_checked.contains(index) == on)
        return;
    m_checked.set(index, on);
    m_model->rowChanged(index);
    viewport()->update(rowRect(index));
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    event.setChild(index - firstVisibleRow());
    QAccessible::updateAccessibility(&event);
}

QStringList ZListBox::checkedTexts() const
{
    QStringList texts;
    for (const int row : itemsChecked())
        texts << text(row);
    return texts;
}

void ZListBox::checkAll(bool on)
{
    if (count() == 0)
        return;
    m_checked.setAll(0, count() - 1, on);
    m_model->reset([] {});
    viewport()->update();
}

void ZListBox::refill(const std::function<void()> &fill)
{
    const int row = currentItem();
    const QString current = row < 0 ? QString() : text(row);
    const QStringList checked = checkedTexts();
    const int scrolled = scrollPosition();
    fill();
    for (const QString &name : checked) {
        if (const int at = rowOf(name); at >= 0)
            checkItem(at, true);
    }
    const int at = row < 0 ? -1 : rowOf(current);
    setCurrentItem(at >= 0 ? at : std::min(row, count() - 1));
    setScrollPosition(scrolled);
}

void ZListBox::bulkRowsChanged(const std::vector<Range> &removed,
                               const std::vector<Range> &inserted)
{
    const int items = int(m_items.size());
    // The row at the top of the view stays there, as does the current one; a current row that
    // went leaves its place, by number, to whatever is there now.
    const int scrolled = scrollPosition();
    int top = m_rowHeight > 0 ? scrolled / m_rowHeight : 0;
    const int withinTop = scrolled - top * m_rowHeight;
    bool currentGone = false;
    m_madeItems.clear();
    // The model counted the rows as they were: the ranges reach it in turn.
    for (auto range = removed.rbegin(); range != removed.rend(); ++range) {
        const int first = items + range->first, last = first + range->count - 1;
        m_model->removeRowsAt(first, range->count);
        m_checked.removeRows(first, range->count);
        if (m_current > last)
            m_current -= range->count;
        else if (m_current >= first)
            currentGone = true;
        top = top > last ? top - range->count : std::min(top, first);
    }
    for (const Range &range : inserted) {
        const int first = items + range.first;
        m_model->insertRowsAt(first, range.count);
        m_checked.insertRows(first, range.count);
        if (!currentGone && m_current >= first)
            m_current += range.count;
        if (top >= first)
            top += range.count;
    }
    m_current = std::min(m_current, count() - 1);
    updateGeometry();
    setScrollPosition(top * m_rowHeight + withinTop);
    tellFocus();
    if (!QAccessible::isActive())
        return;
    for (const auto &[changes, type] :
         { std::pair(&removed, QAccessibleTableModelChangeEvent::RowsRemoved),
           std::pair(&inserted, QAccessibleTableModelChangeEvent::RowsInserted) }) {
        for (const Range &range : *changes) {
            QAccessibleTableModelChangeEvent event(this, type);
            event.setFirstRow(items + range.first);
            event.setLastRow(items + range.first + range.count - 1);
            QAccessible::updateAccessibility(&event);
        }
    }
}

QRect ZListBox::rowRect(int row) const
{
    return QRect(0, row * m_rowHeight - scrollPosition(), viewport()->width(), m_rowHeight);
}

QRect ZListBox::visualRect(const QModelIndex &index) const
{
    return index.isValid() ? rowRect(index.row()) : QRect();
}

int ZListBox::rowAt(const QPoint &point) const
{
    if (m_rowHeight <= 0 || point.y() < 0 || point.y() >= viewport()->height())
        return -1;
    const int row = (point.y() + scrollPosition()) / m_rowHeight;
    return row < count() ? row : -1;
}

int ZListBox::firstVisibleRow() const
{
    return m_rowHeight > 0 ? std::min(scrollPosition() / m_rowHeight, std::max(0, count() - 1)) : 0;
}

int ZListBox::lastVisibleRow() const
{
    if (m_rowHeight <= 0 || count() == 0)
        return -1;
    const int bottom = scrollPosition() + std::max(1, viewport()->height()) - 1;
    return std::min(bottom / m_rowHeight, count() - 1);
}

int ZListBox::scrollPosition() const
{
    return m_bar->value();
}

void ZListBox::setScrollPosition(int pixels)
{
    m_bar->setValue(pixels);
}

void ZListBox::scrollToRow(int row)
{
    // By whole rows, as keys move: the top row is never cut.
    const QRect rect = rowRect(row);
    if (rect.top() < 0) {
        setScrollPosition(row * m_rowHeight);
    } else if (rect.bottom() >= viewport()->height()) {
        const int whole = std::max(1, viewport()->height() / std::max(1, m_rowHeight));
        setScrollPosition((row + 1 - whole) * m_rowHeight);
    }
}

void ZListBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), QColor(ZPalette::listBackground));
    const int last = lastVisibleRow();
    for (int row = firstVisibleRow(); row <= last && row >= 0; ++row) {
        const QRect rect = rowRect(row);
        if (rect.intersects(event->rect()))
            paintRow(painter, row, rect);
    }
}

void ZListBox::paintRow(QPainter &painter, int row, const QRect &rect) const
{
    const ZSizes sizes = ZGlobal::sizes();
    const int gap = sizes.scaled(3);
    const bool current = row == m_current;
    if (current)
        painter.fillRect(rect, QColor(ZPalette::highlight));
    int x = rect.left() + gap;
    if (hasCheckBoxes()) {
        const int side = sizes.scaled(16);
        paintCheckBox(painter, QRect(x, rect.top() + (rect.height() - side) / 2, side, side),
                      isChecked(row), current);
        x += side + gap;
    }
    const QPixmap icon = shownIcon(pixmap(row));
    if (!icon.isNull()) {
        const QSize shown = icon.deviceIndependentSize().toSize();
        painter.drawPixmap(QPoint(x + (m_iconSize.width() - shown.width()) / 2,
                                  rect.top() + (rect.height() - shown.height()) / 2),
                           icon);
    }
    x += m_iconSize.width() + gap;
    const QRect area(x, rect.top(), rect.right() - gap - x, rect.height());
    painter.setPen(current ? QColor(ZPalette::highlightedText) : palette().color(QPalette::Text));
    // Cut in the middle: a long name's end, its extension, is what tells it from its neighbours.
    painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(FileName::forDisplay(text(row)), Qt::ElideMiddle,
                                              area.width()));
}

// Scaled once to the icons' place, smoothly and in the screen's own pixels, and kept: a flick
// draws the same few icons in every frame. Never larger than it was drawn.
QPixmap ZListBox::shownIcon(const QPixmap &icon) const
{
    if (icon.isNull())
        return icon;
    const qreal ratio = devicePixelRatioF();
    const QSize place = (QSizeF(m_iconSize) * ratio).toSize();
    const QString key = QString::number(icon.cacheKey()) + u'@' + QString::number(place.width());
    const auto hit = m_shownIcons.constFind(key);
    if (hit != m_shownIcons.constEnd())
        return *hit;
    if (m_shownIcons.size() > 64)
        m_shownIcons.clear();
    QPixmap shown = icon;
    if (icon.width() > place.width() || icon.height() > place.height())
        shown = icon.scaled(place, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shown.setDevicePixelRatio(shown.size() == icon.size() ? icon.devicePixelRatio() : ratio);
    m_shownIcons.insert(key, shown);
    return shown;
}

// The box in the list's colours; on the highlighted row in the highlight's, so that its border
// stands out there too. The mark is drawn, crisp at any size.
void ZListBox::paintCheckBox(QPainter &painter, const QRect &box, bool checked, bool current) const
{
    const qreal border = std::max(1.0, 2 * ZGlobal::sizes().scale);
    const QRectF inside = QRectF(box).adjusted(border / 2, border / 2, -border / 2, -border / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(
            QPen(QColor(current ? ZPalette::highlightedText : ZPalette::checkBoxBorder), border));
    painter.setBrush(QColor(checked && !current ? ZPalette::highlight : ZPalette::listBackground));
    painter.drawRoundedRect(inside, border, border);
    if (checked) {
        const qreal side = inside.width();
        painter.setPen(QPen(QColor(current ? ZPalette::checkMarkOnList : ZPalette::checkMark),
                            std::max(1.5, side / 7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        const QPointF at = inside.topLeft();
        painter.drawPolyline(QVector<QPointF>{ at + QPointF(side * 0.2, side * 0.52),
                                               at + QPointF(side * 0.42, side * 0.74),
                                               at + QPointF(side * 0.8, side * 0.28) });
    }
    painter.restore();
}

void ZListBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateGeometry();
    if (m_current >= 0)
        scrollToRow(m_current);
}

void ZListBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void ZListBox::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    tellFocus();
}

// A screen reader follows the current row while the list has the focus.
void ZListBox::tellFocus() const
{
    if (!QAccessible::isActive() || !hasFocus() || m_current < firstVisibleRow()
        || m_current > lastVisibleRow())
        return;
    QAccessibleEvent event(const_cast<ZListBox *>(this), QAccessible::Focus);
    event.setChild(m_current - firstVisibleRow());
    QAccessible::updateAccessibility(&event);
}

void ZListBox::toggle(int index)
{
    checkItem(index, !isChecked(index));
}

void ZListBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    // A press that stops a flick only stops it.
    const bool stoppedAFlick = m_flick->press(at);
    m_pressedRow = rowAt(at);
    m_pressTaps = !stoppedAFlick && m_pressedRow >= 0;
    if (m_pressTaps)
        m_hold->start();
    event->accept();
}

void ZListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double tap is a press like the first.
    mousePressEvent(event);
}

void ZListBox::mouseMoveEvent(QMouseEvent *event)
{
    if (m_flick->move(event->position().toPoint())) {
        m_pressTaps = false;
        m_hold->stop();
        used();
    }
    event->accept();
}

void ZListBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    m_hold->stop();
    const QPoint at = event->position().toPoint();
    const bool dragged = m_flick->release(at);
    if (!dragged && m_pressTaps && rowAt(at) == m_pressedRow)
        tap(m_pressedRow);
    m_pressTaps = false;
    m_pressedRow = -1;
    event->accept();
}

void ZListBox::tap(int row)
{
    // The tap that follows one that selected, within a double click's time, acts on nothing: it
    // would land on whatever that selection put under it.
    if (m_selectedAt.isValid() && m_selectedAt.elapsed() < QApplication::doubleClickInterval()) {
        m_selectedAt.invalidate();
        return;
    }
    if (hasCheckBoxes()) {
        setCurrentItem(row);
        toggle(row);
        return;
    }
    if (row != m_current)
        return setCurrentItem(row);
    m_selectedAt.start();
    emit selected(row);
}

void ZListBox::wheelEvent(QWheelEvent *event)
{
    m_flick->stop();
    const int steps = event->angleDelta().y() / 40; // three rows a notch
    setScrollPosition(scrollPosition() - steps * m_rowHeight);
    used();
    event->accept();
}

// What a key stands for at one place of a name: a letter or sign for itself, a digit, as on a
// phone's keypad, for its letters too.
static QString charactersFor(QChar typed)
{
    static const char *const keypad[]
            = { "0 ", "1", "abc2", "def3", "ghi4", "jkl5", "mno6", "pqrs7", "tuv8", "wxyz9" };
    if (typed >= u'0' && typed <= u'9')
        return QString::fromLatin1(keypad[typed.unicode() - u'0']);
    return QString(typed.toLower());
}

void ZListBox::findByKey(QChar typed)
{
    if (count() == 0)
        return;
    // Keys typed within a second of each other make one prefix.
    if (!m_findClock.isValid() || m_findClock.elapsed() > 1000)
        m_findPrefix.clear();
    m_findClock.start();
    m_findPrefix.push_back(charactersFor(typed));
    const auto matches = [this](int row) {
        const QString name = text(row);
        if (name.size() < qsizetype(m_findPrefix.size()))
            return false;
        for (size_t i = 0; i < m_findPrefix.size(); ++i) {
            if (!m_findPrefix[i].contains(name[qsizetype(i)].toLower()))
                return false;
        }
        return true;
    };
    // A new prefix looks from the row after the current one; a longer one from the current
    // row, which may still match it. Both wrap around.
    const int current = std::max(0, currentItem());
    const int start = m_findPrefix.size() == 1 ? current + 1 : current;
    for (int k = 0; k < count(); ++k) {
        const int row = (start + k) % count();
        if (matches(row))
            return setCurrentItem(row);
    }
}

void ZListBox::keyPressEvent(QKeyEvent *event)
{
    const int row = currentItem();
    const int page = std::max(1, viewport()->height() / std::max(1, m_rowHeight) - 1);
    const auto moveTo = [&](int to) { setCurrentItem(std::clamp(to, 0, count() - 1)); };
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        if (row < 0)
            break;
        if (hasCheckBoxes())
            toggle(row);
        emit selected(row);
        break;
    case Qt::Key_Space:
        if (hasCheckBoxes() && row >= 0)
            toggle(row);
        break;
    case Qt::Key_Up:
        moveTo(row - 1);
        break;
    case Qt::Key_Down:
        moveTo(row + 1);
        break;
    case Qt::Key_PageUp:
        moveTo(row - page);
        break;
    case Qt::Key_PageDown:
        moveTo(row + page);
        break;
    case Qt::Key_Home:
        moveTo(0);
        break;
    case Qt::Key_End:
        moveTo(count() - 1);
        break;
    default: {
        const QString typed = event->text();
        if (typed.size() == 1 && typed[0].isPrint() && !typed[0].isSpace()
            && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            findByKey(typed[0]);
            break;
        }
        // The soft keys and everything else belong to the popup.
        event->ignore();
        return;
    }
    }
    event->accept();
}
