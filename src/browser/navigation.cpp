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
    const QString name = list->text(index);
    const QString path = currentDir + u'/' + name;
    if (name.isEmpty() || path == QLatin1String("/.."))
        return;
    if (name == QLatin1String(".."))
        return showDir(FolderPath::nearestListableAbove(currentDir), mode);
    // A regular file, or a link to one, is opened; anything else is listed.
    if (FolderPath::isFile(path))
        AM_LauncherClient::openDocument(path, QString(), true);
    else
        showDir(path, mode);
}

// Press and hold on a row, as on a phone: in Browse, choosing several begins there, with that
// entry checked (the parent row is no entry); in multi-select, the row is checked.
void fileDialog::rowHeld(int index)
{
    if (mode == MultiSelect)
        return list->checkItem(index, true);
    if (mode != Browse)
        return;
    const QString name = list->text(index);
    multiSelect();
    const int row = name == QLatin1String("..") ? -1 : list->rowOf(name);
    if (row < 0)
        return;
    list->checkItem(row, true);
    list->setCurrentItem(row);
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
