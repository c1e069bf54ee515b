// SPDX-License-Identifier: GPL-3.0-or-later
// The trash: moving entries there, the view of what every trash holds, and restoring, deleting
// for good and emptying from it.
#include "browser/filedialog.h"

#include "core/folder/entrydetails.h"
#include "core/folder/folderwatch.h"
#include "core/folder/trashcontents.h"
#include "core/names/filename.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "runner/workwait.h"

#include <QApplication>

#include <sys/stat.h>

using std::placeholders::_1;

namespace {

// What the trashes hold as the list shows it: the name each is shown by, an icon by its kind,
// and for a screen reader where it came from and since when it is in the trash.
class TrashRows : public ZListBoxRows
{
public:
    TrashRows(std::unique_ptr<TrashContents> contents, const QPixmap &folder, const QPixmap &file,
              const Texts &texts)
        : m_contents(std::move(contents))
        , m_folder(folder)
        , m_file(file)
        , m_texts(texts)
    {
    }
    int count() const override { return m_contents->count(); }
    QString text(int row) const override
    {
        return FileName::fromBytes(m_contents->entry(row).shown);
    }
    QPixmap pixmap(int row) const override
    {
        return S_ISDIR(m_contents->entry(row).mode) ? m_folder : m_file;
    }
    QString description(int row) const override
    {
        const TrashContents::Entry &entry = m_contents->entry(row);
        return m_texts.trashedDescription(
                EntryDetails::brief(FileName::fromBytes(m_contents->trashedPath(row))),
                FileName::fromBytes(entry.original), entry.deleted);
    }

private:
    std::unique_ptr<TrashContents> m_contents;
    QPixmap m_folder, m_file;
    const Texts &m_texts;
};

} // namespace

void fileDialog::showTrash(int newMode)
{
    if (mode != TrashView && mode != TrashSelect && mode != TrashFolder)
        m_beforeTrash = currentDir;
    // The folder to return to; the one shown before is no longer followed.
    currentDir = m_beforeTrash;
    m_watchedDir.clear();
    setRowLayout(newMode);
    rebuildMenu(newMode);
    list->clear();
    m_entries = nullptr;
    auto contents = std::make_unique<TrashContents>();
    contents->read();
    m_trash = contents.get();
    // Each trash's files/ changes when another program trashes or restores there.
    if (m_trashWatches.size() != m_trash->places().size()) {
        qDeleteAll(m_trashWatches);
        m_trashWatches.clear();
        for (const TrashPlaces::Place &place : m_trash->places()) {
            auto *watch = new FolderWatch(this);
            watch->setBusy([] {
                return QApplication::activeModalWidget() || QApplication::activePopupWidget();
            });
            watch->watch(place.trash + "/files");
            connect(watch, &FolderWatch::changed, this, &fileDialog::followTrashChanges);
            connect(watch, &FolderWatch::gone, this, &fileDialog::followTrashChanges);
            m_trashWatches.append(watch);
        }
    }
    for (FolderWatch *watch : std::as_const(m_trashWatches))
        watch->drop();
    setInstructText(m_texts->trashLine(m_trash->count(), m_trash->bytes()));
    list->setAccessibleName(catalog->lookup("BR_TRASH"));
    list->setBulkRows(std::make_unique<TrashRows>(
            std::move(contents), iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true),
            iconReader.getIcon(QStringLiteral("fm_insert_file_small.bmp"), true), *m_texts));
}

void fileDialog::followTrashChanges()
{
    if (mode == TrashView || mode == TrashSelect)
        list->refill([this] { showTrash(mode); });
}

QVector<Trash::Item> fileDialog::chosenTrashItems() const
{
    QVector<Trash::Item> items;
    if (!m_trash)
        return items;
    if (mode == TrashSelect) {
        for (const int row : list->itemsChecked())
            items.append(Trash::itemOf(*m_trash, row));
    } else if (const int row = list->currentItem(); row >= 0 && row < m_trash->count()) {
        items.append(Trash::itemOf(*m_trash, row));
    }
    return items;
}

void fileDialog::toTrash()
{
    const QString name = currentItemName();
    if (name.isEmpty() || name == QLatin1String(".."))
        return;
    const QString path = childPath(name);
    if (perform("BR_MOVE_TO_TRASH", OperationPlan::Move, false,
                std::bind(&Operation::toTrash, _1, FileName::parentOf(path), QStringList{ name }))
                .ran)
        mode == SearchView ? recheckResult(path) : showDir(currentDir, Browse);
}

void fileDialog::multi_toTrash()
{
    selectedNames = collectCheckedNames();
    if (selectedNames.isEmpty())
        return showDir(currentDir, Browse);
    if (perform("BR_MOVE_TO_TRASH", OperationPlan::Move, true,
                std::bind(&Operation::toTrash, _1, currentDir, selectedNames))
                .ran)
        showDir(currentDir, Browse);
}

void fileDialog::goToTrash()
{
    showDir(currentDir, TrashView);
}

void fileDialog::restore()
{
    const QVector<Trash::Item> items = chosenTrashItems();
    if (items.isEmpty())
        return;
    const Operation::Result result = perform("BR_RESTORE", OperationPlan::Move, items.size() > 1,
                                             std::bind(&Operation::restore, _1, items));
    if (!result.cannotRestore.isEmpty())
        ZMessageDlg::inform(catalog->lookup("BR_RESTORE"),
                            m_texts->cannotRestore(result.cannotRestore),
                            QStringLiteral("error_pop.bmp"));
    if (result.ran)
        showTrash(TrashView);
}

void fileDialog::trashDelete()
{
    const QVector<Trash::Item> items = chosenTrashItems();
    if (items.isEmpty())
        return;
    const Asker::Discard what = mode == TrashSelect ? DiscardSeveral : DiscardOne;
    if (perform("BR_DELETE", OperationPlan::Delete, what == DiscardSeveral,
                std::bind(&Operation::discard, _1, items, what))
                .ran)
        showTrash(TrashView);
}

void fileDialog::emptyTrash()
{
    if (!m_trash || m_trash->count() == 0)
        return;
    QVector<Trash::Item> items;
    for (int row = 0; row < m_trash->count(); ++row)
        items.append(Trash::itemOf(*m_trash, row));
    if (perform("BR_EMPTY_TRASH", OperationPlan::Delete, true,
                std::bind(&Operation::discard, _1, items, EmptyTrash))
                .ran)
        showTrash(TrashView);
}

// A folder in the trash is entered, to be looked at; anything else shows its details.
void fileDialog::trashSelected(int index)
{
    if (!m_trash || index < 0 || index >= m_trash->count())
        return;
    if (S_ISDIR(m_trash->entry(index).mode)) {
        m_trashFolderTop = FileName::fromBytes(m_trash->trashedPath(index));
        return showDir(m_trashFolderTop, TrashFolder);
    }
    trashDetails();
}

void fileDialog::trashDetails()
{
    const QVector<Trash::Item> items = chosenTrashItems();
    if (items.isEmpty())
        return;
    QList<EntryDetails> found;
    if (!WorkWait::run(catalog->lookup("BR_PLEASEWAIT"),
                       [&](const std::function<bool()> &keepGoing) {
                           for (const Trash::Item &item : items)
                               found << EntryDetails::of(item.trashed, keepGoing);
                       }))
        return;
    const int row = list->currentItem();
    ZMessageDlg::inform(catalog->lookup("BR_DETAILS"),
                        mode == TrashSelect
                                ? m_texts->details(found)
                                : m_texts->trashedDetails(items.first().shown, found.first(),
                                                          items.first().original,
                                                          m_trash->entry(row).deleted),
                        QStringLiteral("info_pop.bmp"));
}
