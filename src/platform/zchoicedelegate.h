// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

class QListView;

// How the choice popup draws its options: each text whole, wrapped at the list's width, on a row
// at least as tall as a list's row (and a finger's where the screen says how large a millimetre
// is); the option that the keys would take in the highlight's colours, a line between two.
class ZChoiceDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZChoiceDelegate(QListView *view);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Where an option's text is drawn within its row.
    QRect textRect(const QRect &row) const;
    static constexpr Qt::Alignment textAlignment = Qt::AlignLeft | Qt::AlignVCenter;

private:
    QListView *m_view;
};
