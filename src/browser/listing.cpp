// SPDX-License-Identifier: GPL-3.0-or-later
// Listing a folder in a mode, and the options menus of each mode.
#include "browser/filedialog.h"

#include "core/folder/entrydetails.h"
#include "core/folder/folderentries.h"
#include "core/folder/folderpath.h"
#include "core/folder/folderwatch.h"
#include "core/names/filename.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/zlistbox.h"
#include "platform/zoptionsmenu.h"
#include "platform/zsoftkey.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// A folder's entries as the list shows them: their names, and an icon for a folder or a file;
// for a screen reader, what each is. They are read and sorted without a screen, and found by
// their name (FolderEntries).
class FolderRows : public ZListBoxRows
{
public:
    FolderRows(std::unique_ptr<FolderEntries> entries, const QPixmap &folder, const QPixmap &file,
               const Texts &texts)
        : m_entries(std::move(entries))
        , m_folder(folder)
        , m_file(file)
        , m_texts(texts)
    {
    }
    int count() const override { return m_entries->count(); }
    QString text(int row) const override { return m_entries->text(row); }
    QPixmap pixmap(int row) const override { return m_entries->isFolder(row) ? m_folder : m_file; }
    int rowOf(const QString &text) const override
    {
        return m_entries->rowOf(FileName::toBytes(text));
    }
    QString description(int row) const override
    {
        return m_texts.rowDescription(EntryDetails::brief(m_entries->path(row)));
    }

private:
    std::unique_ptr<FolderEntries> m_entries;
    QPixmap m_folder, m_file;
    const Texts &m_texts;
};

} // namespace

void fileDialog::setRowLayout(int newMode)
{
    if (newMode == MultiSelect || newMode == TrashSelect) {
        textColumn = 2;
        if (newMode == MultiSelect)
            multiPending = true;
        list->setItemType(QStringLiteral("%C%I%M"));
    } else {
        textColumn = 1;
        if (newMode == Browse)
            multiPending = false;
        list->setItemType(QStringLiteral("%I%M"));
    }
}

void fileDialog::showDir(const QString &path, int newMode)
{
    if (newMode == TrashView || newMode == TrashSelect)
        return showTrash(newMode);
    // Leaving the trash: its watches go.
    qDeleteAll(m_trashWatches);
    m_trashWatches.clear();
    m_trash = nullptr;
    if (newMode != SearchView)
        endSearch();
    if (newMode == PlacesView)
        return showPlaces();
    if (newMode == SearchView)
        return showSearch();
    setRowLayout(newMode);
    rebuildMenu(newMode);
    list->clear();
    m_entries = nullptr;

    // Our own copy: callers pass currentDir itself, which changes below.
    const QString folder = FolderPath::cleaned(path);

    auto *parentRow = new ZListBoxItem(list, QString());
    parentRow->appendSubItem(textColumn, QApplication::translate("fileDialog", ".."), false);
    parentRow->setPixmap(textColumn - 1,
                         iconReader.getIcon(QStringLiteral("gen_back_to_arrw_small.bmp"), true));
    parentRow->setDescription((*m_texts)("BR_FOLDER_TYPE"));
    list->insertItem(parentRow, -1, true);

    // Anything that cannot be listed shows the parent row alone and keeps the folder shown before.
    if (!FolderPath::isListable(folder))
        return;
    auto entries = std::make_unique<FolderEntries>();
    const bool withFiles = newMode == Browse || newMode == MultiSelect || newMode == TrashFolder;
    QElapsedTimer reading;
    reading.start();
    if (!entries->read(FileName::toBytes(folder), withFiles, *m_compiledFilter)) {
        std::fprintf(stderr, "filemanager: %s cannot be listed: %s\n",
                     FileName::toBytes(folder).constData(), std::strerror(errno));
        return;
    }
    m_entries = entries.get();
    list->setBulkRows(std::make_unique<FolderRows>(
            std::move(entries), iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true),
            iconReader.getIcon(QStringLiteral("fm_insert_file_small.bmp"), true), *m_texts));

    currentDir = folder;
    noteShownMount();
    // A screen reader names the list by the folder it shows.
    list->setAccessibleName(folder == "/" ? folder
                                          : FileName::forDisplay(FileName::lastPart(folder)));
    // While a destination is picked, the path line says what is pending.
    const char *pending = newMode == PickCopyTarget   ? "BR_COPY_TO"
                          : newMode == PickMoveTarget ? "BR_MOVE_TO"
                                                      : nullptr;
    if (newMode == TrashFolder)
        setInstructText(catalog->lookup("BR_TRASH") + QStringLiteral(": ") + currentDir);
    else
        setInstructText(pending ? catalog->lookup(pending) + currentDir : currentDir);
    if (m_watchedDir != currentDir) {
        m_watchedDir = currentDir;
        m_folderWatch->watch(FileName::toBytes(currentDir));
    }
    m_folderWatch->drop(); // read whole just now, our own changes too
    m_folderWatch->readTook(reading.elapsed());
}

// Another program changed the folder on screen: those entries change in place (or all is listed
// again), keeping the highlight, the checks and the view (see ZListBox::bulkRowsChanged).
void fileDialog::followOutsideChanges(const QByteArrayList &names)
{
    if (mode == TrashView || mode == TrashSelect || mode == SearchView)
        return; // the trashes' own watches follow them; results are looked at one by one
    FolderEntries::Delta delta;
    if (names.isEmpty() || !m_entries || !m_entries->apply(names, &delta))
        return list->refill([this] { showDir(currentDir, mode); });
    const auto ranges = [](const std::vector<FolderEntries::Range> &changed) {
        std::vector<ZListBox::Range> rows;
        for (const FolderEntries::Range &range : changed)
            rows.push_back({ range.first, range.count });
        return rows;
    };
    list->bulkRowsChanged(ranges(delta.removed), ranges(delta.inserted));
}

// The folder on screen was removed or moved away, or its watch could not be set or was lost:
// the nearest folder above that can be listed takes its place. One that still stands is listed
// again instead, watched anew.
void fileDialog::followRemoval()
{
    if (mode == TrashView || mode == TrashSelect || mode == SearchView || leaveForPlaces())
        return;
    if (!FolderPath::isListable(currentDir))
        return showDir(FolderPath::nearestListableAbove(currentDir), mode);
    m_watchedDir.clear();
    followOutsideChanges({});
}

void fileDialog::rebuildMenu(int newMode)
{
    if (newMode == mode && m_menuHasUndo == m_canUndo)
        return;
    optionsMenu->clear();
    manageMenu->clear();
    m_goToMenu->clear();
    softKey->setOptMenu(ZSoftKey::Left, nullptr);
    // Each mode's entries in their order; a submenu's entry (no slot) follows the entries it
    // holds. Undo is there only while something can be undone.
    struct Entry
    {
        int mode;
        ZOptionsMenu *menu;
        const char *key, *slot;
        ZOptionsMenu *submenu;
    };
    const Entry entries[] = {
        { Browse, optionsMenu, "BR_MKDIR", SLOT(createDir()), nullptr },
        { Browse, manageMenu, "BR_RENAME", SLOT(rename()), nullptr },
        { Browse, manageMenu, "BR_DELETE", SLOT(del()), nullptr },
        { Browse, manageMenu, "BR_COPY", SLOT(copy()), nullptr },
        { Browse, manageMenu, "BR_MOVE", SLOT(move()), nullptr },
        { Browse, manageMenu, "BR_MOVE_TO_TRASH", SLOT(toTrash()), nullptr },
        { Browse, manageMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { Browse, manageMenu, "BR_UNDO", SLOT(undo()), nullptr },
        { Browse, optionsMenu, "BR_MANAGE", nullptr, manageMenu },
        { Browse, optionsMenu, "BR_MULTI_SEL", SLOT(multiSelect()), nullptr },
        { PickCopyTarget, optionsMenu, "BR_MKDIR", SLOT(createDir()), nullptr },
        { PickCopyTarget, optionsMenu, "BR_COPY_HERE", SLOT(copy_to()), nullptr },
        { PickCopyTarget, optionsMenu, "BR_CANCEL_COPY", SLOT(cancel()), nullptr },
        { PickMoveTarget, optionsMenu, "BR_MKDIR", SLOT(createDir()), nullptr },
        { PickMoveTarget, optionsMenu, "BR_MOVE_HERE", SLOT(move_to()), nullptr },
        { PickMoveTarget, optionsMenu, "BR_CANCEL_MOVE", SLOT(cancel()), nullptr },
        { MultiSelect, manageMenu, "BR_DELETE", SLOT(multi_del()), nullptr },
        { MultiSelect, manageMenu, "BR_COPY", SLOT(multi_copy()), nullptr },
        { MultiSelect, manageMenu, "BR_MOVE", SLOT(multi_move()), nullptr },
        { MultiSelect, manageMenu, "BR_MOVE_TO_TRASH", SLOT(multi_toTrash()), nullptr },
        { MultiSelect, manageMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { MultiSelect, manageMenu, "BR_UNDO", SLOT(undo()), nullptr },
        { MultiSelect, optionsMenu, "BR_MANAGE", nullptr, manageMenu },
        { MultiSelect, optionsMenu, "BR_SEL_ALL", SLOT(multiSelectAll()), nullptr },
        { MultiSelect, optionsMenu, "BR_SEL_NON", SLOT(multiSelectNon()), nullptr },
        { TrashView, optionsMenu, "BR_RESTORE", SLOT(restore()), nullptr },
        { TrashView, optionsMenu, "BR_DELETE", SLOT(trashDelete()), nullptr },
        { TrashView, optionsMenu, "BR_EMPTY_TRASH", SLOT(emptyTrash()), nullptr },
        { TrashView, optionsMenu, "BR_MULTI_SEL", SLOT(multiSelect()), nullptr },
        { TrashView, optionsMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { TrashView, optionsMenu, "BR_UNDO", SLOT(undo()), nullptr },
        { TrashSelect, optionsMenu, "BR_RESTORE", SLOT(restore()), nullptr },
        { TrashSelect, optionsMenu, "BR_DELETE", SLOT(trashDelete()), nullptr },
        { TrashSelect, optionsMenu, "BR_EMPTY_TRASH", SLOT(emptyTrash()), nullptr },
        { TrashSelect, optionsMenu, "BR_SEL_ALL", SLOT(multiSelectAll()), nullptr },
        { TrashSelect, optionsMenu, "BR_SEL_NON", SLOT(multiSelectNon()), nullptr },
        { TrashSelect, optionsMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { TrashFolder, optionsMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { PlacesView, optionsMenu, "BR_EJECT", SLOT(eject()), nullptr },
        { SearchView, optionsMenu, "BR_GO_TO_FOLDER", SLOT(goToFolder()), nullptr },
        { SearchView, optionsMenu, "BR_RENAME", SLOT(rename()), nullptr },
        { SearchView, optionsMenu, "BR_DELETE", SLOT(del()), nullptr },
        { SearchView, optionsMenu, "BR_COPY", SLOT(copy()), nullptr },
        { SearchView, optionsMenu, "BR_MOVE", SLOT(move()), nullptr },
        { SearchView, optionsMenu, "BR_MOVE_TO_TRASH", SLOT(toTrash()), nullptr },
        { SearchView, optionsMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { PlacesView, optionsMenu, "BR_DETAILS", SLOT(details()), nullptr },
        { newMode, optionsMenu, "BR_ABOUT", SLOT(about()), nullptr },
        { newMode, optionsMenu, "BR_QUIT", SLOT(quit_app()), nullptr },
        // After the entries of the design, so that none of them moves.
        { Browse, m_goToMenu, "BR_TRASH", SLOT(goToTrash()), nullptr },
        { Browse, m_goToMenu, "BR_PLACES", SLOT(goToPlaces()), nullptr },
        { Browse, m_goToMenu, "BR_SEARCH", SLOT(goToSearch()), nullptr },
        { Browse, optionsMenu, "BR_GO_TO", nullptr, m_goToMenu },
    };
    for (const Entry &entry : entries) {
        if (entry.mode != newMode || (!m_canUndo && !qstrcmp(entry.key, "BR_UNDO")))
            continue;
        if (entry.submenu)
            entry.menu->insertItem(catalog->lookup(entry.key), entry.submenu, nullptr, true, -1, -1,
                                   false, false, false);
        else
            entry.menu->insertItem(catalog->lookup(entry.key), nullptr, this, entry.slot, true,
                                   false, false, -1, -1, false);
    }
    softKey->setOptMenu(ZSoftKey::Left, optionsMenu);
    mode = newMode;
    m_menuHasUndo = m_canUndo;
}
