// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/formats.h"

#include "lang/languagecatalog.h"

#include <QRegularExpression>

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

void Formats::useCatalogue(LanguageCatalog &catalog)
{
    setUnits(catalog.lookup("BR_BYTE_UNITS").split(u' ', Qt::SkipEmptyParts));
    setLocale(QLocale(catalog.lookup("BR_LOCALE")));
}

void Formats::setUnits(const QStringList &names)
{
    if (names.size() == 5)
        units() = names;
}

void Formats::setLocale(const QLocale &language)
{
    locale() = language;
}

QString Formats::bytes(qint64 bytes)
{
    if (bytes < 1024)
        return count(bytes) + u' ' + units()[0];
    double value = double(bytes) / 1024;
    int unit = 1;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    return locale().toString(value, 'f', value < 10 ? 1 : 0) + u' ' + units()[unit];
}

QString Formats::count(qint64 count)
{
    return locale().toString(count);
}

QString Formats::dateTime(const QDateTime &when)
{
    // The language's long date without its weekday: the month by its name, and short.
    QString date = locale().dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("d{4}[,.]?\\s*"));
    date.remove(weekday);
    // The time stays whole on its line: "PM" never left alone on the next.
    QString time = locale().toString(when.time(), QLocale::ShortFormat);
    for (QChar &c : time) {
        if (c.isSpace())
            c = QChar::Nbsp;
    }
    return locale().toString(when.date(), date.trimmed()) + u' ' + time;
}

QString Formats::elapsed(qint64 milliseconds)
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
