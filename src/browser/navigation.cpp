// SPDX-License-Identifier: GPL-3.0-or-later
// Moving between folders and modes without touching the file system.
#include "browser/filedialog.h"

#include "core/folder/folderpath.h"
#include "lang/languagecatalog.h"
#include "platform/am_launcherclient.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"

#include <QApplication>

void fileDialog::obj_selected(int index)
{
    if (mode == MultiSelect)
        return;
    const ZListBoxItem *row = list->item(index);
    if (!row)
        return;
    const QString name = row->getSubItemText(textColumn, 0, true);
    const QString path = currentDir + u'/' + name;
    if (path == QLatin1String("/.."))
        return;
    if (name == QLatin1String(".."))
        return showDir(FolderPath::nearestListableAbove(currentDir), mode);
    // A regular file, or a link to one, is opened; anything else is listed.
    if (FolderPath::isFile(path)) {
        AM_LauncherClient::openDocument(path, QString(), true);
        return;
    }
    showDir(path, mode);
}

void fileDialog::back()
{
    if (mode == MultiSelect)
        return showDir(currentDir, Browse);
    if (currentDir == QLatin1String("/")) {
        if (ZMessageDlg::ask(catalog->lookup("BR_QUIT"), catalog->lookup("BR_CONFIRM_QUIT")))
            QApplication::quit();
        return;
    }
    showDir(FolderPath::nearestListableAbove(currentDir), Browse);
}

void fileDialog::cancel()
{
    sourcePath = QStringLiteral("");
    showDir(currentDir, Browse);
}

void fileDialog::multiSelectAll()
{
    list->checkAll(true);
}

void fileDialog::multiSelectNon()
{
    list->checkAll(false);
}
