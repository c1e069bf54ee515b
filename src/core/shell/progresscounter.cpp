#include "core/shell/progresscounter.h"

#include "core/folder/treewalk.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <sys/stat.h>

namespace {

bool onOneDevice(const QByteArray &source, const QByteArray &destination)
{
    struct stat from, to;
    const qsizetype slash = destination.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? destination.left(slash) : QByteArray("/");
    return ::lstat(source.constData(), &from) == 0 && ::stat(folder.constData(), &to) == 0
           && from.st_dev == to.st_dev;
}

} // namespace

ProgressCounter::ProgressCounter(QObject *parent)
    : QObject(parent)
{
    m_sampler = new QTimer(this);
    m_sampler->setSingleShot(true);
    connect(m_sampler, &QTimer::timeout, this, &ProgressCounter::sample);
}

bool ProgressCounter::start(const QByteArray &source, const QByteArray &destination, bool moving)
{
    stop();
    if (source.isEmpty() || destination.isEmpty() || (moving && onOneDevice(source, destination)))
        return false;
    // What stands there already (a folder merged into, a file replaced) is not this command's.
    m_before = TreeWalk::bytesUnder(destination, countLimit);
    m_total = m_before < 0 ? -1 : TreeWalk::bytesUnder(source, countLimit);
    if (m_total < 0)
        return false;
    m_destination = destination;
    m_done = 0;
    m_sampler->start(250);
    return true;
}

void ProgressCounter::stop()
{
    m_sampler->stop();
    m_total = -1;
    m_done = 0;
}

void ProgressCounter::sample()
{
    QElapsedTimer cost;
    cost.start();
    const qint64 now = TreeWalk::bytesUnder(m_destination, countLimit);
    if (now >= 0 && m_total >= 0) {
        m_done = std::clamp(now - m_before, qint64(0), m_total);
        emit changed();
    }
    m_sampler->start(int(std::max<qint64>(250, cost.elapsed() * 20)));
}

QString ProgressCounter::text() const
{
    if (m_total < 0)
        return QString();
    return formatBytes(m_done) + QStringLiteral(" / ") + formatBytes(m_total);
}

QString ProgressCounter::formatElapsed(qint64 milliseconds)
{
    // A tick a little late still shows the second it stands for.
    const qint64 seconds = (milliseconds + 100) / 1000;
    if (seconds < 1)
        return QString();
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
                .arg(seconds / 3600)
                .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

namespace {

QStringList &units()
{
    static QStringList names = { "B", "KB", "MB", "GB", "TB" };
    return names;
}

QLocale &locale()
{
    static QLocale language = QLocale::c();
    return language;
}

} // namespace

void ProgressCounter::setUnits(const QStringList &names)
{
    if (names.size() == 5)
        units() = names;
}

QString ProgressCounter::formatBytes(qint64 bytes)
{
    if (bytes < 1024)
        return formatCount(bytes) + u' ' + units()[0];
    double value = double(bytes) / 1024;
    int unit = 1;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    return locale().toString(value, 'f', value < 10 ? 1 : 0) + u' ' + units()[unit];
}

void ProgressCounter::setLocale(const QLocale &language)
{
    locale() = language;
}

QString ProgressCounter::formatCount(qint64 count)
{
    return locale().toString(count);
}

QString ProgressCounter::formatDateTime(const QDateTime &when)
{
    // The language's long date without its weekday: the month by its name, and short.
    QString date = locale().dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
    date.remove(weekday);
    return locale().toString(when.date(), date.trimmed()) + u' '
           + locale().toString(when.time(), QLocale::ShortFormat);
}
