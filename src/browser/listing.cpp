// Listing a folder in a mode, and the options menus of each mode.
#include "browser/filedialog.h"

#include "browser/folderlisting.h"
#include "core/folder/folderwatch.h"
#include "core/names/filename.h"
#include "lang/languagecatalog.h"
#include "platform/zlistbox.h"
#include "platform/zoptionsmenu.h"
#include "platform/zsoftkey.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The working folder, whatever bytes its path holds.
QString workingFolder()
{
    char *bytes = ::getcwd(nullptr, 0);
    const QString folder = bytes ? FileName::fromBytes(bytes) : QStringLiteral("/");
    std::free(bytes);
    return folder;
}

// The absolute, clean form of a path: no ".", "..", doubled or trailing "/". Symbolic links are
// kept. Unlike QDir::cleanPath, ".." above the root stays at the root.
QString cleanAbsolutePath(const QString &path)
{
    QString cleaned = QDir::cleanPath(
            QDir::isAbsolutePath(path) ? path : FileName::join(workingFolder(), path));
    while (cleaned == QLatin1String("/..") || cleaned.startsWith(QLatin1String("/../")))
        cleaned = cleaned.size() == 3 ? QStringLiteral("/") : cleaned.mid(3);
    return cleaned;
}

} // namespace

// Listing needs read and search permission on a folder.
bool fileDialog::isListable(const QString &folder)
{
    const QByteArray path = FileName::toBytes(folder);
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && ::access(path.constData(), R_OK | X_OK) == 0;
}

void fileDialog::setRowLayout(int newMode)
{
    if (newMode == MultiSelect) {
        textColumn = 2;
        multiPending = true;
        list->setItemType(QStringLiteral("%C%I%M"));
    } else {
        textColumn = 1;
        if (newMode == Browse)
            multiPending = false;
        list->setItemType(QStringLiteral("%I%M"));
    }
}

void fileDialog::appendRow(const QString &name, bool entry, const QPixmap &icon)
{
    auto *item = new ZListBoxItem(list, QString());
    item->appendSubItem(textColumn, name, entry, nullptr);
    item->setPixmap(textColumn - 1, icon, true, false);
    list->insertItem(item, -1, true);
}

void fileDialog::showDir(const QString &path, int newMode)
{
    setRowLayout(newMode);
    rebuildMenu(newMode);
    list->clear();
    m_listing = nullptr;

    // Our own copy: callers pass currentDir itself, which changes below.
    const QString folder = cleanAbsolutePath(path);

    appendRow(QApplication::translate("fileDialog", ".."), false,
              iconReader.getIcon(QStringLiteral("gen_back_to_arrw_small.bmp"), true));

    // Anything that cannot be listed shows the parent row alone and keeps the folder shown before.
    if (!isListable(folder))
        return;
    auto entries = std::make_unique<FolderEntries>();
    const bool withFiles = newMode == Browse || newMode == MultiSelect;
    QElapsedTimer reading;
    reading.start();
    if (!entries->read(FileName::toBytes(folder), withFiles, *m_compiledFilter)) {
        std::fprintf(stderr, "filemanager: %s cannot be listed: %s\n",
                     FileName::toBytes(folder).constData(), std::strerror(errno));
        return;
    }
    auto rows = std::make_unique<FolderListing>(
            std::move(entries), iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true),
            iconReader.getIcon(QStringLiteral("fm_insert_file_small.bmp"), true));
    m_listing = rows.get();
    list->setBulkRows(std::move(rows));

    currentDir = folder;
    // While a destination is picked, the path line says what is pending.
    const char *pending = newMode == PickCopyTarget   ? "BR_COPY_TO"
                          : newMode == PickMoveTarget ? "BR_MOVE_TO"
                                                      : nullptr;
    setInstructText(pending ? catalog->lookup(pending) + currentDir : currentDir);
    if (m_watchedDir != currentDir) {
        m_watchedDir = currentDir;
        m_folderWatch->watch(FileName::toBytes(currentDir));
    }
    m_folderWatch->readTook(reading.elapsed());
}

// Another program changed the folder on screen: it is listed again, in the same mode, with the
// same entry highlighted (or the row that took a vanished one's place), the same entries checked
// and the view where it was. Not under a popup or while a command of ours runs: then later.
void fileDialog::followOutsideChanges()
{
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_folderWatch->retryLater();
        return;
    }
    QElapsedTimer took;
    took.start();
    const QString highlighted = currentItemName();
    const int row = list->currentItem();
    QStringList checked;
    for (const int checkedRow : list->itemsChecked())
        checked << list->text(checkedRow);
    const int scrolled = list->verticalScrollBar()->value();
    showDir(currentDir, mode);
    // The rows of the entries come after the parent row.
    const auto rowOf = [this](const QString &name) {
        const int found = m_listing ? m_listing->entries().rowOf(FileName::toBytes(name)) : -1;
        return found < 0 ? (name == QLatin1String("..") ? 0 : -1) : found + 1;
    };
    for (const QString &name : checked) {
        if (const int at = rowOf(name); at >= 0)
            list->checkItem(at, true);
    }
    const int at = rowOf(highlighted);
    list->setCurrentItem(at >= 0 ? at : std::min(row, list->count() - 1));
    list->verticalScrollBar()->setValue(scrolled);
    // What the whole re-listing cost paces the next.
    m_folderWatch->readTook(took.elapsed());
}

// The folder on screen was removed or moved away, or its watch could not be set or was lost:
// the nearest folder above that can be listed takes its place. One that still stands is listed
// again instead. Not under a popup: then later.
void fileDialog::followRemoval()
{
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        m_folderWatch->retryLater();
        return;
    }
    if (isListable(currentDir)) {
        m_watchedDir.clear(); // watched anew
        followOutsideChanges();
    } else
        showDir(nearestListableAbove(currentDir), mode);
}

void fileDialog::rebuildMenu(int newMode)
{
    if (newMode == mode && m_menuHasUndo == m_canUndo)
        return;
    optionsMenu->clear();
    manageMenu->clear();
    softKey->setOptMenu(ZSoftKey::Left, nullptr);

    auto entry = [this](ZOptionsMenu *menu, const char *key, const char *slot) {
        menu->insertItem(catalog->lookup(key), nullptr, this, slot, true, false, false, -1, -1,
                         false);
    };
    auto manage = [this] {
        optionsMenu->insertItem(catalog->lookup("BR_MANAGE"), manageMenu, nullptr, true, -1, -1,
                                false, false, false);
    };
    switch (newMode) {
    case Browse:
        entry(optionsMenu, "BR_MKDIR", SLOT(createDir()));
        entry(manageMenu, "BR_RENAME", SLOT(rename()));
        entry(manageMenu, "BR_DELETE", SLOT(del()));
        entry(manageMenu, "BR_COPY", SLOT(copy()));
        entry(manageMenu, "BR_MOVE", SLOT(move()));
        entry(manageMenu, "BR_DETAILS", SLOT(details()));
        if (m_canUndo)
            entry(manageMenu, "BR_UNDO", SLOT(undo()));
        manage();
        entry(optionsMenu, "BR_MULTI_SEL", SLOT(multiSelect()));
        break;
    case PickCopyTarget:
        entry(optionsMenu, "BR_MKDIR", SLOT(createDir()));
        entry(optionsMenu, "BR_COPY_HERE", SLOT(copy_to()));
        entry(optionsMenu, "BR_CANCEL_COPY", SLOT(cancel()));
        break;
    case PickMoveTarget:
        entry(optionsMenu, "BR_MKDIR", SLOT(createDir()));
        entry(optionsMenu, "BR_MOVE_HERE", SLOT(move_to()));
        entry(optionsMenu, "BR_CANCEL_MOVE", SLOT(cancel()));
        break;
    case MultiSelect:
        entry(manageMenu, "BR_DELETE", SLOT(multi_del()));
        entry(manageMenu, "BR_COPY", SLOT(multi_copy()));
        entry(manageMenu, "BR_MOVE", SLOT(multi_move()));
        entry(manageMenu, "BR_DETAILS", SLOT(details()));
        if (m_canUndo)
            entry(manageMenu, "BR_UNDO", SLOT(undo()));
        manage();
        entry(optionsMenu, "BR_SEL_ALL", SLOT(multiSelectAll()));
        entry(optionsMenu, "BR_SEL_NON", SLOT(multiSelectNon()));
        break;
    }
    entry(optionsMenu, "BR_ABOUT", SLOT(about()));
    entry(optionsMenu, "BR_QUIT", SLOT(quit_app()));

    softKey->setOptMenu(ZSoftKey::Left, optionsMenu);
    mode = newMode;
    m_menuHasUndo = m_canUndo;
}

QString fileDialog::currentItemName()
{
    const int row = list->currentItem();
    if (row == -1)
        return QString();
    return list->item(row)->getSubItemText(textColumn, 0, true);
}
