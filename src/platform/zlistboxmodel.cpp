// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zlistboxmodel.h"

#include "core/names/filename.h"
#include "platform/zlistbox.h"

ZListBoxModel::ZListBoxModel(ZListBox *list)
    : QAbstractListModel(list)
    , m_list(list)
{
}

int ZListBoxModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QModelIndex ZListBoxModel::index(int row, int column, const QModelIndex &parent) const
{
    return row >= 0 && row < m_rows && column == 0 && !parent.isValid() ? createIndex(row, 0)
                                                                        : QModelIndex();
}

QVariant ZListBoxModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return FileName::forDisplay(m_list->text(row));
    case Qt::DecorationRole:
        return m_list->pixmap(row);
    case Qt::AccessibleDescriptionRole:
        return m_list->description(row);
    case Qt::CheckStateRole:
        if (m_list->hasCheckBoxes())
            return m_list->isChecked(row) ? Qt::Checked : Qt::Unchecked;
        return QVariant();
    default:
        return QVariant();
    }
}

bool ZListBoxModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || !m_list->hasCheckBoxes())
        return false;
    m_list->checkItem(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ZListBoxModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (m_list->hasCheckBoxes())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

void ZListBoxModel::insertRowsAt(int first, int count)
{
    beginInsertRows(QModelIndex(), first, first + count - 1);
    m_rows += count;
    endInsertRows();
}

void ZListBoxModel::removeRowsAt(int first, int count)
{
    beginRemoveRows(QModelIndex(), first, first + count - 1);
    m_rows -= count;
    endRemoveRows();
}

void ZListBoxModel::reset(const std::function<void()> &change)
{
    beginResetModel();
    change();
    m_rows = m_list->count();
    endResetModel();
}

void ZListBoxModel::rowChanged(int row)
{
    if (row < m_rows)
        emit dataChanged(index(row), index(row));
}
