#pragma once

#include <QListView>
#include <QPixmap>
#include <QString>

#include <memory>
#include <vector>

class ZListBox;
class ZListBoxModel;

// One row of a ZListBox: numbered sub-items, each with a text and a pixmap. Which column is the
// check box, the icon and the text follows the list's item type ("%I%M" or "%C%I%M").
class ZListBoxItem
{
public:
    explicit ZListBoxItem(ZListBox *list = nullptr, const QString &itemType = QString());

    void appendSubItem(int column, const QString &text, bool = false, const QPixmap * = nullptr);
    void setPixmap(int column, const QPixmap &pixmap, bool = true, bool = false);
    QString getSubItemText(int column, int = 0, bool = true) const;
    QPixmap getSubItemPixmap(int column) const;

    bool isChecked() const { return m_checked; }

private:
    friend class ZListBox;
    struct SubItem
    {
        QString text;
        QPixmap pixmap;
    };
    SubItem m_columns[3];
    bool m_checked = false;
};

// A fast list of rows (a model/view list with uniform rows: 100,000 rows fill in milliseconds).
// Return, Enter, the keypad's Select key or a tap selects a row (signal selected(int)); with
// check boxes, Space, Return, Enter and Select toggle the current row's box, and a tap on a box
// toggles it. The second click of a double click selects nothing: it would land on whatever row
// the first click's selection put under the pointer. After rows are added to an empty list, the
// first row is current.
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

    // The list owns the item from here on.
    void insertItem(ZListBoxItem *item, int index = -1, bool = true);
    void clear();
    int count() const { return int(m_items.size()); }
    ZListBoxItem *item(int index) const;
    int currentItem() const;
    void setCurrentItem(int index);
    void checkItem(int index, bool on);
    bool isChecked(int index) const;
    // The checked rows, in row order.
    std::vector<int> itemsChecked() const;

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
    void flush() const;
    void toggle(int index);

    QString m_itemType;
    std::vector<std::unique_ptr<ZListBoxItem>> m_items;
    ZListBoxModel *m_model;
    mutable bool m_flushQueued = false;
    bool m_inDoubleClick = false;
};
