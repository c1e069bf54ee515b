// Moving between folders and modes without touching the file system.
#include "filedialog.h"

#include "am_launcherclient.h"
#include "languagecatalog.h"
#include "zlistbox.h"

#include <QApplication>
#include <QFileInfo>

void fileDialog::obj_selected(int index)
{
    if (mode == MultiSelect)
        return;
    const ZListBoxItem *row = list->item(index);
    if (!row)
        return;
    const QString path = currentDir + u'/' + row->getSubItemText(textColumn, 0, true);
    if (path == QLatin1String("/.."))
        return;
    if (QFileInfo(path).isFile()) {
        AM_LauncherClient::openDocument(path, QString(), true);
        return;
    }
    showDir(path, mode);
}

void fileDialog::back()
{
    if (mode == MultiSelect) {
        showDir(currentDir, Browse);
        return;
    }
    if (currentDir == QLatin1String("/")) {
        if (askQuestion(catalog->lookup("BR_QUIT"), catalog->lookup("BR_CONFIRM_QUIT")))
            QApplication::quit();
        return;
    }
    const int slash = currentDir.lastIndexOf(u'/');
    showDir(slash < 1 ? QStringLiteral("/") : currentDir.left(slash), Browse);
}

void fileDialog::cancel()
{
    sourcePath = QStringLiteral("");
    showDir(currentDir, Browse);
}

void fileDialog::multiSelect()
{
    showDir(currentDir, MultiSelect);
}

void fileDialog::multiSelectAll()
{
    for (int i = 0; i < list->count(); ++i)
        list->checkItem(i, true);
}

void fileDialog::multiSelectNon()
{
    for (int i = 0; i < list->count(); ++i)
        list->checkItem(i, false);
}
