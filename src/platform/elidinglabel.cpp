// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/elidinglabel.h"

#include <QPainter>

namespace {

QString elidedAtFolders(const QFontMetrics &metrics, const QString &text, int width)
{
    const qsizetype first = text.indexOf(u'/');
    if (metrics.horizontalAdvance(text) <= width || first < 0)
        return metrics.elidedText(text, Qt::ElideMiddle, width);
    const QString lead = text.left(first + 1) + QChar(0x2026) + u'/';
    const QStringList folders = text.mid(first + 1).split(u'/');
    for (qsizetype kept = folders.size() - 1; kept > 0; --kept) {
        const QString cut = lead + folders.mid(folders.size() - kept).join(u'/');
        if (metrics.horizontalAdvance(cut) <= width)
            return cut;
    }
    // Even the last folder alone is too long: the lead-in stays whole, the folder is cut.
    return lead
           + metrics.elidedText(folders.last(), Qt::ElideMiddle,
                                width - metrics.horizontalAdvance(lead));
}

} // namespace

ElidingLabel::ElidingLabel(Qt::TextElideMode mode, QWidget *parent)
    : QLabel(parent)
    , m_mode(mode)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize ElidingLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

QString ElidingLabel::elided(const QFontMetrics &metrics, const QString &text, int width,
                             Qt::TextElideMode mode)
{
    return mode == Qt::ElideNone ? elidedAtFolders(metrics, text, width)
                                 : metrics.elidedText(text, mode, width);
}

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.drawText(area, int(alignment()) | Qt::AlignVCenter,
                     elided(fontMetrics(), text(), area.width(), m_mode));
}
