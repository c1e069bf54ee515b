// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

#include <deque>

class QTimer;

// What a finger (or a pressed mouse button) does to a list: a press that moves more than a
// little drags the content along with it, and a drag let go at some speed goes on, slowing down,
// as phones flick; a press that stays where it was is the list's to take as a tap or a hold.
class ZFlick : public QObject
{
    Q_OBJECT
public:
    explicit ZFlick(QObject *parent = nullptr);

    // How far a press may move and still be a tap or a hold.
    void setThreshold(int pixels) { m_threshold = pixels; }
    // A press stops a flick that goes on; whether one did (such a press is no tap).
    bool press(const QPoint &at);
    // Whether the press is a drag by now: it scrolls with the move.
    bool move(const QPoint &at);
    // Whether the press was a drag: let go at a speed, it goes on.
    bool release(const QPoint &at);
    // The content has reached an end, or something else took over: no more scrolling.
    void stop();
    bool isDragging() const { return m_dragging; }
    bool isFlicking() const;

signals:
    // By how many pixels the content moves up (down where negative).
    void scrolled(int pixels);

private:
    void sample(const QPoint &at);
    void tick();

    int m_threshold = 8;
    QPoint m_pressed, m_last;
    bool m_pressing = false, m_dragging = false;
    QElapsedTimer m_clock;
    std::deque<std::pair<qint64, int>> m_samples; // when, and where, of the last moves
    qreal m_velocity = 0; // pixels a millisecond, up
    qreal m_carry = 0; // of a flick's last step, less than a pixel
    qint64 m_lastTick = 0;
    QTimer *m_timer;
};
