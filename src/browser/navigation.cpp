// Moving between folders and modes without touching the file system.
#include "browser/filedialog.h"

#include "core/names/filename.h"
#include "lang/languagecatalog.h"
#include "platform/am_launcherclient.h"
#include "platform/zlistbox.h"

#include <QApplication>

#include <sys/stat.h>

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
    if (name == QLatin1String("..")) {
        showDir(nearestListableAbove(currentDir), mode);
        return;
    }
    // A regular file, or a link to one, is opened; anything else is listed.
    struct stat info;
    if (::stat(FileName::toBytes(path).constData(), &info) == 0 && S_ISREG(info.st_mode)) {
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
    showDir(nearestListableAbove(currentDir), Browse);
}

// The nearest folder above that can be listed, "/" at worst: a folder removed from outside, or
// one below a folder that cannot be read, must not leave Back and ".." stuck where they are.
QString fileDialog::nearestListableAbove(const QString &folder)
{
    QString path = folder;
    for (;;) {
        const int slash = int(path.lastIndexOf(u'/'));
        path = slash < 1 ? QStringLiteral("/") : path.left(slash);
        if (path == QLatin1String("/") || isListable(path))
            return path;
    }
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
