// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/progresscounter.h"

#include <QTimer>

#include <algorithm>

ProgressCounter::ProgressCounter(QObject *parent)
    : QObject(parent)
{
    m_sampler = new QTimer(this);
    m_sampler->setSingleShot(true);
    connect(m_sampler, &QTimer::timeout, this, &ProgressCounter::sample);
}

bool ProgressCounter::start(qint64 total, const std::function<qint64()> &measure)
{
    stop();
    if (total < 0 || !measure)
        return false;
    m_measure = measure;
    m_total = total;
    m_done = 0;
    m_sampler->start(250);
    return true;
}

void ProgressCounter::stop()
{
    m_sampler->stop();
    m_measure = nullptr;
    m_total = -1;
    m_done = 0;
}

void ProgressCounter::sample()
{
    QElapsedTimer cost;
    cost.start();
    const qint64 now = m_measure();
    if (now >= 0 && m_total >= 0) {
        m_done = std::clamp(now, qint64(0), m_total);
        emit changed();
    }
    m_sampler->start(int(std::max<qint64>(250, cost.elapsed() * 20)));
}
