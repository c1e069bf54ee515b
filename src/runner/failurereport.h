// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// What failed commands wrote, shown to the user: a file of this run's own, opened through the
// launcher; where no file can be written or nothing opens it, a notice with its last lines.
class FailureReport
{
public:
    static void show(const QByteArray &output, const QString &title);
};
