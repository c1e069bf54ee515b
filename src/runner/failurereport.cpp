// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/failurereport.h"

#include "core/names/filename.h"
#include "core/shell/commandlog.h"
#include "platform/am_launcherclient.h"
#include "platform/zmessagedlg.h"

void FailureReport::show(const QByteArray &output, const QString &title)
{
    const QByteArray path = CommandLog::handOver(output);
    if (!path.isEmpty() && AM_LauncherClient::openDocumentSurely(FileName::fromBytes(path)))
        return;
    ZMessageDlg::inform(title, QString::fromUtf8(CommandLog::lastLines(output, 12)),
                        QStringLiteral("error_pop.bmp"));
}
