// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/zrowset.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QAbstractItemModel;
class QModelIndex;
class QScrollBar;
class QTimer;
class ZFlick;
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

// A list of rows of one height, for keys and for a finger alike, whose cost does not grow with
// the rows it holds: it draws the rows on screen only (a row's place is its number times the row
// height), and takes changes as ranges of rows. Rows come one by one as ZListBoxItems, then,
// after them, at most one block of bulk rows. After rows are added to an empty list, the first
// row is current.
// Keys: Up, Down, Page Up and Down, Home and End move the highlight; Return, Enter or the
// keypad's Select selects a row (signal selected(int)); with check boxes, Space, Return, Enter and
// Select toggle the current row's box. Typing finds a row: the first after the current one,
// wrapping around, whose name begins with what was typed within the last second, in any case; a
// digit stands for its keypad letters too (2 for a, b, c and 2, ... 9 for w, x, y, z and 9).
// A finger: a drag scrolls (and flicks on), never moving the highlight, checking or selecting
// anything; a tap highlights a row, a tap on the highlighted row (or a double tap) selects it, and
// the tap that follows within a double click's time acts on nothing (it would land on whatever
// that selection put under it); with check boxes a tap checks or unchecks the row. Press and hold
// (half a second without moving) says held(int). The scroll bar lies over the rows' right edge,
// thin, and wide enough for a finger while it is used.
// The trailing integer arguments of the constructor and of insertItem are accepted and ignored.
class ZListBox : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // The rows of a change, as {first, count}.
    struct Range
    {
        int first = 0;
        int count = 0;
    };

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
    // A bulk row's item is made when it is asked for and lives until the rows change.
    ZListBoxItem *item(int index) const;
    // A row's text (in the text column of the item type) without making an item for it.
    QString text(int index) const;
    int currentItem() const { return m_current; }
    void setCurrentItem(int index);
    void checkItem(int index, bool on);
    bool isChecked(int index) const { return m_checked.contains(index); }
    // The checked rows, in row order, and their texts.
    std::vector<int> itemsChecked() const { return m_checked.rows(); }
    QStringList checkedTexts() const;
    void checkAll(bool on);
    // Fills the list anew (fill() clears it and adds the rows), keeping the same row current (by
    // its text, or the row that took a vanished one's place), the same rows checked and the view
    // where it was.
    void refill(const std::function<void()> &fill);
    // The bulk rows changed in place: these runs of old rows went, then these runs of new rows
    // came (each ascending, numbered among the bulk rows). The current row, the checks and the
    // rows on screen stay with their rows; a current row that went leaves its place to the row
    // that takes it.
    void bulkRowsChanged(const std::vector<Range> &removed, const std::vector<Range> &inserted);

    // The row whose text this is, or -1.
    int rowOf(const QString &text) const;
    // The rows as a model, for what reads them as one (a screen reader's texts, tests).
    QAbstractItemModel *model() const;
    // A row's place on the viewport, and the row at a point of it (-1 for none).
    QRect visualRect(const QModelIndex &index) const;
    QRect rowRect(int row) const;
    int rowAt(const QPoint &point) const;
    int rowHeight() const { return m_rowHeight; }
    // The rows wholly or partly on screen.
    int firstVisibleRow() const;
    int lastVisibleRow() const;
    // Where the view is: the pixels scrolled past the first row.
    int scrollPosition() const;
    void setScrollPosition(int pixels);
    void scrollToRow(int row);
    QScrollBar *scrollBar() const { return m_bar; }
    QPixmap pixmap(int index) const;
    QString description(int index) const;

signals:
    void selected(int index);
    void held(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void rowsAdded(int first, int count);
    void tap(int row);
    void toggle(int index);
    void findByKey(QChar typed);
    int textColumn() const { return hasCheckBoxes() ? 2 : 1; }
    void updateGeometry();
    void layOutBar();
    void used();
    void paintRow(QPainter &painter, int row, const QRect &rect) const;
    void paintCheckBox(QPainter &painter, const QRect &box, bool checked, bool current) const;
    QPixmap shownIcon(const QPixmap &icon) const;
    void tellFocus() const;

    QString m_itemType;
    std::vector<std::unique_ptr<ZListBoxItem>> m_items;
    std::unique_ptr<const ZListBoxRows> m_bulk;
    ZRowSet m_checked;
    mutable std::unordered_map<int, std::unique_ptr<ZListBoxItem>> m_madeItems;
    ZListBoxModel *m_model;
    int m_current = -1;
    int m_rowHeight = 0;
    QSize m_iconSize;
    mutable QHash<QString, QPixmap> m_shownIcons;
    QScrollBar *m_bar;
    QTimer *m_thin; // the scroll bar goes thin again a while after its last use
    ZFlick *m_flick;
    QTimer *m_hold;
    int m_pressedRow = -1;
    bool m_pressTaps = false; // a press that may still be a tap
    QElapsedTimer m_selectedAt; // the tap that selected, whose follower acts on nothing
    QElapsedTimer m_findClock;
    std::vector<QString> m_findPrefix; // what each typed key stands for, place by place
};
