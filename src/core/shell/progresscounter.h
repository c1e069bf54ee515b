#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

// How far a copy or move has come: the bytes under its source are counted before it starts (not
// for a tree of more than 100,000 entries), and the growth of what stands at its destination
// over what stood there before is sampled a few times a second, never spending more than a
// twentieth of the time on it. A move within one file system is instant and counts nothing.
class ProgressCounter : public QObject
{
    Q_OBJECT
public:
    // Beyond this many entries a tree is not counted: the count would hold up the copy itself.
    static constexpr int countLimit = 100000;

    explicit ProgressCounter(QObject *parent = nullptr);

    // Whether there is anything to show; sampling runs from here until stop().
    bool start(const QByteArray &source, const QByteArray &destination, bool moving);
    void stop();
    bool isCounting() const { return m_total >= 0; }
    qint64 done() const { return m_done; }
    qint64 total() const { return m_total; }
    // "80 MB / 300 MB"; empty when nothing is counted.
    QString text() const;
    static QString formatBytes(qint64 bytes);
    // The units of formatBytes, from bytes to terabytes, as the user's language writes them
    // ("B KB MB GB TB" until set; French writes "o Ko Mo Go To").
    static void setUnits(const QStringList &units);
    // "0:07", "1:02:03"; empty before the first second.
    static QString formatElapsed(qint64 milliseconds);
    // The language that sizes, counts and dates are written in (the catalogue's): its decimal
    // separator, digit grouping and month names. Until set, the C locale's.
    static void setLocale(const QLocale &locale);
    // "1,234" ("1.234" in German).
    static QString formatCount(qint64 count);
    // The date with its month's name and the time: "December 7, 2026 10:31 PM",
    // "7. Dezember 2026 22:31".
    static QString formatDateTime(const QDateTime &when);

signals:
    void changed();

private:
    void sample();

    QByteArray m_destination;
    qint64 m_before = 0;
    qint64 m_total = -1;
    qint64 m_done = 0;
    QTimer *m_sampler = nullptr;
};
