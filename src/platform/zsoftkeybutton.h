// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QToolButton>

// One soft key: its caption whole, wrapped onto more lines where the bar has no room for it on one,
// and the key at least a finger's size each way where the screen says how large a millimetre is.
class ZSoftKeyButton : public QToolButton
{
    Q_OBJECT
public:
    explicit ZSoftKeyButton(QWidget *parent = nullptr);

    QSize sizeHint() const override; // the caption on one line
    QSize minimumSizeHint() const override; // its longest word on a line
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // Where the caption is drawn.
    QRect captionRect() const;
    static constexpr Qt::Alignment captionAlignment = Qt::AlignCenter;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize padding() const;
    QSize atLeast(QSize size) const;
};
