// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

class LanguageCatalog;

// Sizes, counts, dates and times as the user's language writes them: the catalogue's units
// (BR_BYTE_UNITS, "o Ko Mo Go To" in French) and its locale (BR_LOCALE: the decimal separator,
// the digit grouping and the month names). English with the C locale's numbers until set.
class Formats
{
public:
    static void useCatalogue(LanguageCatalog &catalog);
    static void setUnits(const QStringList &units);
    static void setLocale(const QLocale &locale);

    // "1.3 MB", "1,3 Mo".
    static QString bytes(qint64 bytes);
    // "1,234" ("1.234" in German).
    static QString count(qint64 count);
    // The date with its month's name and the time: "December 7, 2026 10:31 PM",
    // "7. Dezember 2026 22:31".
    static QString dateTime(const QDateTime &when);
    // "0:07", "1:02:03"; empty before the first second.
    static QString elapsed(qint64 milliseconds);
};
