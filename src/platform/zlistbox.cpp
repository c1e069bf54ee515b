// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zlistbox.h"

#include "core/names/filename.h"
#include "platform/zglobal.h"
#include "platform/zlistboxmodel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <functional>

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

int ZListBox::rowOf(const QString &text) const
{
    for (int row = 0; row < int(m_items.size()); ++row) {
        if (m_items[size_t(row)]->getSubItemText(textColumn()) == text)
            return row;
    }
    const int bulk = m_bulk ? m_bulk->rowOf(text) : -1;
    return bulk < 0 ? -1 : int(m_items.size()) + bulk;
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
    for (int row = 0; row < count(); ++row)
        checkItem(row, on);
}

void ZListBox::refill(const std::function<void()> &fill)
{
    const int row = currentItem();
    const QString current = row < 0 ? QString() : text(row);
    const QStringList checked = checkedTexts();
    const int scrolled = verticalScrollBar()->value();
    fill();
    for (const QString &name : checked) {
        if (const int at = rowOf(name); at >= 0)
            checkItem(at, true);
    }
    const int at = row < 0 ? -1 : rowOf(current);
    setCurrentItem(at >= 0 ? at : std::min(row, count() - 1));
    verticalScrollBar()->setValue(scrolled);
}

void ZListBox::bulkRowsChanged(const std::vector<int> &removed, const std::vector<int> &inserted)
{
    const size_t items = m_items.size();
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int scrolled = verticalScrollBar()->value();
    // An old row's new place: fewer for each row gone before it, more for each row come at or
    // before where it lands; a row gone leaves its place, by number, to whatever is there now.
    const auto placeOf = [&](int old) {
        if (std::binary_search(removed.begin(), removed.end(), old))
            return old;
        int row = old
                  - int(std::lower_bound(removed.begin(), removed.end(), old) - removed.begin());
        for (auto at = inserted.begin(); at != inserted.end() && *at <= row; ++at)
            ++row;
        return row;
    };
    m_model->reset([&] {
        m_madeItems.clear();
        const size_t rows = size_t(count()) - items; // the bulk rows, as they are now
        if (std::find(m_checked.begin() + long(items), m_checked.end(), true) == m_checked.end()) {
            m_checked.assign(items + rows, false);
            return;
        }
        std::vector<bool> checked(items + rows, false);
        std::copy(m_checked.begin(), m_checked.begin() + long(items), checked.begin());
        size_t gone = 0, come = 0, old = 0;
        for (size_t row = 0; row < rows; ++row) {
            if (come < inserted.size() && size_t(inserted[come]) == row) {
                ++come;
                continue;
            }
            while (gone < removed.size() && size_t(removed[gone]) == old)
                ++gone, ++old;
            checked[items + row] = m_checked[items + old++];
        }
        m_checked.swap(checked);
    });
    const int row = current < int(items) ? current : int(items) + placeOf(current - int(items));
    // Laid out now rather than at the next paint: what a change costs is what paces the next.
    doItemsLayout();
    setCurrentItem(std::min(row, count() - 1));
    verticalScrollBar()->setValue(scrolled);
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
    : QListView(parent)
    , m_itemType(itemType)
    , m_model(new ZListBoxModel(this))
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setIconSize(QSize(20, 20) * ZGlobal::scaleFactor());
    setModel(m_model);
    // A tap selects, as on the phone; the release that ends a double click is no tap.
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (!m_inDoubleClick)
            emit selected(index.row());
    });
}

ZListBox::~ZListBox() = default;

void ZListBox::setItemType(const QString &itemType)
{
    if (itemType == m_itemType)
        return;
    m_model->reset([&] {
        m_itemType = itemType;
        m_madeItems.clear();
    });
}

void ZListBox::insertItem(ZListBoxItem *item, int index, bool)
{
    if (!item)
        return;
    const int items = int(m_items.size());
    if (index >= 0 && index < items) {
        flush();
        m_model->reset([&] {
            m_items.emplace(m_items.begin() + index, item);
            m_checked.insert(m_checked.begin() + index, false);
            m_madeItems.clear();
        });
        return;
    }
    if (m_bulk) {
        m_model->reset([&] {
            m_items.emplace_back(item);
            m_checked.insert(m_checked.begin() + items, false);
            m_madeItems.clear();
        });
        return;
    }
    m_items.emplace_back(item);
    m_checked.push_back(false);
    queueFlush();
}

void ZListBox::setBulkRows(std::unique_ptr<const ZListBoxRows> rows)
{
    if (m_bulk) {
        m_model->reset([&] {
            m_bulk.reset();
            m_madeItems.clear();
            m_checked.resize(m_items.size());
        });
    }
    if (!rows)
        return;
    m_bulk = std::move(rows);
    m_checked.resize(m_items.size() + size_t(m_bulk->count()), false);
    queueFlush();
}

void ZListBox::queueFlush()
{
    if (!m_flushQueued) {
        m_flushQueued = true;
        QTimer::singleShot(0, this, [this] { flush(); });
    }
}

void ZListBox::flush() const
{
    if (!m_flushQueued)
        return;
    m_flushQueued = false;
    auto *self = const_cast<ZListBox *>(this);
    const bool wasEmpty = m_model->rowCount() == 0;
    m_model->showAll();
    if (wasEmpty && count() > 0)
        self->setCurrentIndex(m_model->index(0));
}

void ZListBox::clear()
{
    m_flushQueued = false;
    m_model->reset([&] {
        m_items.clear();
        m_bulk.reset();
        m_checked.clear();
        m_madeItems.clear();
    });
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

int ZListBox::currentItem() const
{
    flush();
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

void ZListBox::setCurrentItem(int index)
{
    flush();
    if (index >= 0 && index < count())
        setCurrentIndex(m_model->index(index));
}

void ZListBox::checkItem(int index, bool on)
{
    if (index < 0 || index >= count())
        return;
    m_checked[size_t(index)] = on;
    m_model->rowChanged(index);
}

bool ZListBox::isChecked(int index) const
{
    return index >= 0 && index < count() && m_checked[size_t(index)];
}

std::vector<int> ZListBox::itemsChecked() const
{
    std::vector<int> rows;
    for (size_t i = 0; i < m_checked.size(); ++i)
        if (m_checked[i])
            rows.push_back(int(i));
    return rows;
}

void ZListBox::toggle(int index)
{
    checkItem(index, !isChecked(index));
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
    flush();
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
    const int current = qMax(0, currentItem());
    const int start = m_findPrefix.size() == 1 ? current + 1 : current;
    for (int k = 0; k < count(); ++k) {
        const int row = (start + k) % count();
        if (matches(row)) {
            setCurrentItem(row);
            scrollTo(m_model->index(row));
            return;
        }
    }
}

void ZListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click lands on whatever the first click's selection put
    // under the pointer (a row of the folder it entered, say): its release selects nothing.
    m_inDoubleClick = true;
    event->accept();
}

void ZListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
    m_inDoubleClick = false;
}

void ZListBox::keyPressEvent(QKeyEvent *event)
{
    flush();
    const int row = currentItem();
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
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        QListView::keyPressEvent(event);
        return;
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
