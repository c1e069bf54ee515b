// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zflick.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr qint64 speedWindow = 100; // ms of the last moves that give a flick its speed
constexpr qreal slowdown = 325; // ms in which a flick's speed falls to about a third
constexpr qreal slowest = 0.05; // pixels a millisecond: slower, a flick ends
constexpr qreal fastest = 8; // pixels a millisecond

} // namespace

ZFlick::ZFlick(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    m_clock.start();
    m_timer->setInterval(16);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &ZFlick::tick);
}

bool ZFlick::isFlicking() const
{
    return m_timer->isActive();
}

bool ZFlick::press(const QPoint &at)
{
    const bool wasFlicking = isFlicking();
    stop();
    m_pressing = true;
    m_pressed = m_last = at;
    m_samples.clear();
    sample(at);
    return wasFlicking;
}

bool ZFlick::move(const QPoint &at)
{
    if (!m_pressing)
        return false;
    if (!m_dragging && (at - m_pressed).manhattanLength() > m_threshold)
        m_dragging = true;
    if (m_dragging && at.y() != m_last.y())
        emit scrolled(m_last.y() - at.y());
    m_last = at;
    sample(at);
    return m_dragging;
}

bool ZFlick::release(const QPoint &at)
{
    if (!m_pressing)
        return false;
    move(at);
    m_pressing = false;
    const bool dragged = std::exchange(m_dragging, false);
    if (!dragged || m_samples.size() < 2)
        return dragged;
    const auto &[then, from] = m_samples.front();
    const qint64 took = m_samples.back().first - then;
    m_velocity = took > 0 ? qreal(from - m_samples.back().second) / qreal(took) : 0;
    m_velocity = std::clamp(m_velocity, -fastest, fastest);
    if (std::abs(m_velocity) >= slowest) {
        m_lastTick = m_clock.elapsed();
        m_timer->start();
    }
    return true;
}

void ZFlick::stop()
{
    m_timer->stop();
    m_velocity = 0;
    m_carry = 0;
}

void ZFlick::sample(const QPoint &at)
{
    const qint64 now = m_clock.elapsed();
    m_samples.emplace_back(now, at.y());
    while (m_samples.size() > 2 && now - m_samples.front().first > speedWindow)
        m_samples.pop_front();
}

void ZFlick::tick()
{
    const qint64 now = m_clock.elapsed();
    const qreal elapsed = qreal(now - m_lastTick);
    m_lastTick = now;
    m_velocity *= std::exp(-elapsed / slowdown);
    if (std::abs(m_velocity) < slowest) {
        stop();
        return;
    }
    const qreal step = m_carry + m_velocity * elapsed;
    const int whole = int(step);
    m_carry = step - whole;
    if (whole != 0)
        emit scrolled(whole);
}
