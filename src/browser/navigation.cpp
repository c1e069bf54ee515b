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
    if (mode == MultiSelect || mode == TrashSelect)
        return;
    if (mode == TrashView)
        return trashSelected(index);
    if (mode == PlacesView)
        return placeSelected(index);
    if (mode == SearchView)
        return searchSelected(index);
    const QString name = list->text(index);
    const QString path = currentDir + u'/' + name;
    if (name.isEmpty() || path == QLatin1String("/.."))
        return;
    if (name == QLatin1String(".."))
        return mode == TrashFolder && currentDir == m_trashFolderTop
                       ? showDir(m_beforeTrash, TrashView)
                       : showDir(FolderPath::nearestListableAbove(currentDir), mode);
    // A regular file, or a link to one, is opened; anything else is listed. In the trash
    // nothing is opened, to be changed there: its details show.
    if (mode == TrashFolder && !FolderPath::isFolder(path))
        return details();
    if (FolderPath::isFile(path))
        AM_LauncherClient::openDocument(path, QString(), true);
    else
        showDir(path, mode);
}

// Press and hold on a row, as on a phone: in Browse, choosing several begins there, with that
// entry checked (the parent row is no entry); in multi-select, the row is checked.
void fileDialog::rowHeld(int index)
{
    if (mode == MultiSelect || mode == TrashSelect)
        return list->checkItem(index, true);
    if (mode != Browse && mode != TrashView)
        return;
    const QString name = list->text(index);
    multiSelect();
    // The trash's rows stay in their order: the same row.
    const int row = mode == TrashSelect           ? index
                    : name == QLatin1String("..") ? -1
                                                  : list->rowOf(name);
    if (row < 0)
        return;
    list->checkItem(row, true);
    list->setCurrentItem(row);
}

void fileDialog::back()
{
    if (mode == MultiSelect)
        return showDir(currentDir, Browse);
    // Out of the trash the way in: a folder there, the view, then the folder shown before.
    if (mode == TrashSelect)
        return showDir(currentDir, TrashView);
    if (mode == TrashView)
        return showDir(m_beforeTrash, Browse);
    if (mode == SearchView)
        return showDir(m_searchStart, Browse);
    if (mode == PlacesView)
        return showDir(FolderPath::isListable(m_beforePlaces)
                               ? m_beforePlaces
                               : FolderPath::nearestListableAbove(m_beforePlaces),
                       Browse);
    if (mode == TrashFolder)
        return showDir(currentDir == m_trashFolderTop
                               ? m_beforeTrash
                               : FolderPath::nearestListableAbove(currentDir),
                       currentDir == m_trashFolderTop ? TrashView : TrashFolder);
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
