// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zlistboxaccessible.h"

#include "core/names/filename.h"
#include "platform/zlistbox.h"

#include <QPointer>

namespace {

// A row of the list: it stands for whatever row has its number.
class RowAccessible : public QAccessibleInterface
{
public:
    RowAccessible(ZListBox *list, int row)
        : m_list(list)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_list && m_row < m_list->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_list && m_list->window() ? m_list->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_list ? QAccessible::queryAccessibleInterface(m_list.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text type) const override
    {
        if (!isValid())
            return QString();
        if (type == QAccessible::Name)
            return FileName::forDisplay(m_list->text(m_row));
        return type == QAccessible::Description ? m_list->description(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString &) override { }
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect row = m_list->rowRect(m_row);
        return QRect(m_list->viewport()->mapToGlobal(row.topLeft()), row.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.selectable = state.focusable = true;
        state.selected = m_row == m_list->currentItem();
        state.focused = state.selected && m_list->hasFocus();
        state.checkable = m_list->hasCheckBoxes();
        state.checked = state.checkable && m_list->isChecked(m_row);
        state.offscreen = m_row < m_list->firstVisibleRow() || m_row > m_list->lastVisibleRow();
        return state;
    }

private:
    QPointer<ZListBox> m_list;
    int m_row;
};

// A cache of row interfaces past this size is dropped: a reader walking a million rows.
constexpr int cachedRows = 512;

} // namespace

ZListBoxAccessible::ZListBoxAccessible(ZListBox *list)
    : QAccessibleWidget(list, QAccessible::List)
{
}

ZListBoxAccessible::~ZListBoxAccessible()
{
    forget();
}

ZListBox *ZListBoxAccessible::list() const
{
    return static_cast<ZListBox *>(widget());
}

void *ZListBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

int ZListBoxAccessible::childCount() const
{
    return list()->count() == 0 ? 0 : list()->lastVisibleRow() - list()->firstVisibleRow() + 1;
}

QAccessibleInterface *ZListBoxAccessible::child(int index) const
{
    return index >= 0 && index < childCount() ? row(list()->firstVisibleRow() + index) : nullptr;
}

int ZListBoxAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    for (auto at = m_rows.cbegin(); at != m_rows.cend(); ++at) {
        if (QAccessible::accessibleInterface(at.value()) == child)
            return at.key() - list()->firstVisibleRow();
    }
    return -1;
}

QAccessibleInterface *ZListBoxAccessible::childAt(int x, int y) const
{
    const QPoint at = list()->viewport()->mapFromGlobal(QPoint(x, y));
    const int found = list()->rowAt(at);
    return found >= 0 ? row(found) : nullptr;
}

QAccessibleInterface *ZListBoxAccessible::row(int row) const
{
    if (row < 0 || row >= list()->count())
        return nullptr;
    if (const auto known = m_rows.constFind(row); known != m_rows.cend())
        return QAccessible::accessibleInterface(*known);
    if (m_rows.size() >= cachedRows)
        forget();
    auto *made = new RowAccessible(list(), row);
    m_rows.insert(row, QAccessible::registerAccessibleInterface(made));
    return made;
}

void ZListBoxAccessible::forget() const
{
    for (const QAccessible::Id id : std::as_const(m_rows))
        QAccessible::deleteAccessibleInterface(id);
    m_rows.clear();
}

QAccessibleInterface *ZListBoxAccessible::cellAt(int row, int column) const
{
    return column == 0 ? this->row(row) : nullptr;
}

QString ZListBoxAccessible::rowDescription(int row) const
{
    return list()->description(row);
}

int ZListBoxAccessible::rowCount() const
{
    return list()->count();
}

int ZListBoxAccessible::selectedCellCount() const
{
    return list()->currentItem() >= 0 ? 1 : 0;
}

QList<QAccessibleInterface *> ZListBoxAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    if (QAccessibleInterface *current = row(list()->currentItem()))
        cells << current;
    return cells;
}

int ZListBoxAccessible::selectedRowCount() const
{
    return selectedCellCount();
}

QList<int> ZListBoxAccessible::selectedRows() const
{
    return list()->currentItem() >= 0 ? QList<int>{ list()->currentItem() } : QList<int>();
}

bool ZListBoxAccessible::isRowSelected(int row) const
{
    return row >= 0 && row == list()->currentItem();
}

bool ZListBoxAccessible::selectRow(int row)
{
    if (row < 0 || row >= list()->count())
        return false;
    list()->setCurrentItem(row);
    return true;
}

// The rows keep their numbers, not what they showed: after a change they are made anew.
void ZListBoxAccessible::modelChange(QAccessibleTableModelChangeEvent *)
{
    forget();
}
