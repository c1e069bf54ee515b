// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// The application manager's document launcher: opens a file with the application that the
// desktop registered for it (xdg-open), without waiting for it.
class AM_LauncherClient
{
public:
    static void openDocument(const QString &path, const QString &args = QString(), bool = true);
    // Opens it, and waits a moment for the opener to fail: false when there is no opener, or it
    // ended with a failure (no application for the file) within that moment.
    static bool openDocumentSurely(const QString &path);

    // Sees every path exactly as the caller handed it, before it is cleaned for the opener.
    using Observer = std::function<void(const QString &path)>;
    static void setObserver(Observer observer);
};
