// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A one-line label that never widens its window: a long text is cut with an ellipsis where its
// mode says, or (ElideNone) at a folder boundary of the path it shows: a path after its lead-in
// ("Move to: /home/anna/Music/Jazz") keeps the lead-in and its last folders ("Move to:
// /…/Music/Jazz"), the lead-in being what comes before the path's first "/".
class ElidingLabel : public QLabel
{
public:
    ElidingLabel(Qt::TextElideMode mode, QWidget *parent);

    QSize minimumSizeHint() const override;
    // The text as this label shows it in the width.
    static QString elided(const QFontMetrics &metrics, const QString &text, int width,
                          Qt::TextElideMode mode);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    Qt::TextElideMode m_mode;
};
