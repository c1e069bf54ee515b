// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>

#include <functional>

class ZListBox;

// The rows of a ZListBox as a model, for what reads them so: each row's text (as shown), icon,
// check state and description, asked of the list only when wanted. The list tells it of rows
// that come and go, by range, of a row that changed, or of all made anew.
class ZListBoxModel : public QAbstractListModel
{
public:
    explicit ZListBoxModel(ZListBox *list);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // Without the two virtual calls of the default: the view asks for every row at each layout.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void insertRowsAt(int first, int count);
    void removeRowsAt(int first, int count);
    // The list changes as change() does: every row made anew.
    void reset(const std::function<void()> &change);
    void rowChanged(int row);

private:
    ZListBox *m_list;
    int m_rows = 0;
};
