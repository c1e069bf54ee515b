// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QTimer;

// How far a command has come, by a measure that the operation gives (the bytes that a copy has
// written so far), sampled a few times a second and never spending more than a twentieth of the
// time on it.
class ProgressCounter : public QObject
{
    Q_OBJECT
public:
    explicit ProgressCounter(QObject *parent = nullptr);

    // Sampling runs from here until stop(); nothing when there is no total.
    bool start(qint64 total, const std::function<qint64()> &measure);
    void stop();
    bool isCounting() const { return m_total >= 0; }
    qint64 done() const { return m_done; }
    qint64 total() const { return m_total; }

signals:
    void changed();

private:
    void sample();

    std::function<qint64()> m_measure;
    qint64 m_total = -1;
    qint64 m_done = 0;
    QTimer *m_sampler = nullptr;
};
