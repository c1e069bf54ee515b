// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QListView>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class ZListBox;
class ZListBoxModel;

// One row of a ZListBox: numbered sub-items, each with a text and a pixmap. Which column is the
// check box, the icon and the text follows the list's item type ("%I%M" or "%C%I%M").
// The flag arguments of appendSubItem and setPixmap are accepted and ignored.
class ZListBoxItem
{
public:
    explicit ZListBoxItem(ZListBox *list = nullptr, const QString &itemType = QString());

    void appendSubItem(int column, const QString &text, bool = false, const QPixmap * = nullptr);
    void setPixmap(int column, const QPixmap &pixmap, bool = true, bool = false);
    QString getSubItemText(int column, int = 0, bool = true) const;
    QPixmap getSubItemPixmap(int column) const;
    // What a screen reader says of the row after its text (what it is).
    void setDescription(const QString &description) { m_description = description; }
    QString description() const { return m_description; }

private:
    struct SubItem
    {
        QString text;
        QPixmap pixmap;
    };
    SubItem m_columns[3];
    QString m_description;
};

// Rows that a ZListBox takes in bulk (ZListBox::setBulkRows). The list asks for a row's text and
// pixmap only when it shows the row or is asked for it, so that a folder of a million entries
// costs what its names cost rather than a million row objects. A row's text is exact: the list
// shows it through FileName::forDisplay().
class ZListBoxRows
{
public:
    virtual ~ZListBoxRows();
    virtual int count() const = 0;
    virtual QString text(int row) const = 0;
    virtual QPixmap pixmap(int row) const = 0;
    // What a screen reader says of the row after its text; asked only when it reads the row.
    virtual QString description(int row) const;
    // The row whose text this is, or -1; rows that are sorted can find it faster than by looking
    // at each.
    virtual int rowOf(const QString &text) const;
};

// A fast list of rows (a model/view list with uniform rows). Rows come one by one as
// ZListBoxItems, then, after them, at most one block of bulk rows. Return, Enter, the keypad's
// Select key or a tap selects a row (signal selected(int)); with check boxes, Space, Return,
// Enter and Select toggle the current row's box, and a tap on a box toggles it. The second click
// of a double click selects nothing: it would land on whatever row the first click's selection
// put under the pointer. After rows are added to an empty list, the first row is current.
// Typing finds a row: the first after the current one, wrapping around, whose name begins with
// what was typed within the last second, in any case; a digit stands for its keypad letters too
// (2 for a, b, c and 2, ... 9 for w, x, y, z and 9), so that a phone's keys find rows as well.
// The trailing integer arguments of the constructor and of insertItem are accepted and ignored.
class ZListBox : public QListView
{
    Q_OBJECT
public:
    explicit ZListBox(const QString &itemType = QStringLiteral("%I%M"), QWidget *parent = nullptr,
                      int = 0, int = 0);
    ~ZListBox() override;

    void setItemType(const QString &itemType);
    QString itemType() const { return m_itemType; }
    bool hasCheckBoxes() const { return m_itemType.startsWith(QLatin1String("%C")); }

    // The list owns the item from here on. It goes before the bulk rows, if any.
    void insertItem(ZListBoxItem *item, int index = -1, bool = true);
    // The rows after those added one by one; replaces an earlier block.
    void setBulkRows(std::unique_ptr<const ZListBoxRows> rows);
    void clear();
    int count() const;
    // A bulk row's item is made when it is asked for and lives until the list is cleared.
    ZListBoxItem *item(int index) const;
    // A row's text (in the text column of the item type) without making an item for it.
    QString text(int index) const;
    int currentItem() const;
    void setCurrentItem(int index);
    void checkItem(int index, bool on);
    bool isChecked(int index) const;
    // The checked rows, in row order, and their texts.
    std::vector<int> itemsChecked() const;
    QStringList checkedTexts() const;
    void checkAll(bool on);
    // Fills the list anew (fill() clears it and adds the rows), keeping the same row current (by
    // its text, or the row that took a vanished one's place), the same rows checked and the view
    // where it was.
    void refill(const std::function<void()> &fill);
    // The bulk rows changed in place: these old rows went and these new rows came (each
    // ascending, numbered among the bulk rows). The same row stays current (or the row that took
    // a vanished one's place), the same rows checked, the view where it was.
    void bulkRowsChanged(const std::vector<int> &removed, const std::vector<int> &inserted);

signals:
    void selected(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class ZListBoxModel;
    // Rows are handed to the view in batches: announcing them one by one costs far more than
    // adding them.
    void queueFlush();
    void flush() const;
    void toggle(int index);
    void findByKey(QChar typed);
    int textColumn() const { return hasCheckBoxes() ? 2 : 1; }
    QPixmap pixmap(int index) const;
    QString description(int index) const;
    int rowOf(const QString &text) const;

    QString m_itemType;
    std::vector<std::unique_ptr<ZListBoxItem>> m_items;
    std::unique_ptr<const ZListBoxRows> m_bulk;
    std::vector<bool> m_checked; // one per row
    mutable std::unordered_map<int, std::unique_ptr<ZListBoxItem>> m_madeItems;
    ZListBoxModel *m_model;
    mutable bool m_flushQueued = false;
    bool m_inDoubleClick = false;
    QElapsedTimer m_findClock;
    std::vector<QString> m_findPrefix; // what each typed key stands for, place by place
};
