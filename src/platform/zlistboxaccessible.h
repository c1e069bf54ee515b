// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>
#include <QHash>

class ZListBox;

// What a screen reader reads of a ZListBox: a list whose children are the rows on screen, each
// with its text, what it is (the description) and its states (current: selected and, with the
// focus, focused; checkable and checked with check boxes); as a table, the number of all its
// rows, and the changes to them told as rows inserted or removed.
class ZListBoxAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit ZListBoxAccessible(ZListBox *list);
    ~ZListBoxAccessible() override;

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::Role role() const override { return QAccessible::List; }
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    // The one interface of a row, made when it is first asked for.
    QAccessibleInterface *row(int row) const;

    QAccessibleInterface *cellAt(int row, int column) const override;
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int) const override { return QString(); }
    QString rowDescription(int row) const override;
    int columnCount() const override { return 1; }
    int rowCount() const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

private:
    ZListBox *list() const;
    void forget() const;

    mutable QHash<int, QAccessible::Id> m_rows;
};
