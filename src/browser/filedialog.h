// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/places.h"
#include "core/operation/journal.h"
#include "core/operation/operation.h"
#include "platform/res_icon_reader.h"
#include "platform/zlistbox.h"
#include "platform/zpopup.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <memory>

class FolderEntries;
class FolderWatch;
class MountWatch;
class Search;
class SearchResults;
struct SearchHit;
class TrashContents;
class LanguageCatalog;
class NameFilter;
class Texts;
class ZOptionsMenu;
class ZSoftKey;

// The listing mode of the window. In the trash: the entries of every trash, several of them
// checked, or a folder in a trash, browsed without changing anything. Places: Home, the file
// systems a user keeps files on, "/". Search: the names found below a folder.
enum BrowseMode {
    Browse = 0,
    PickCopyTarget = 1,
    PickMoveTarget = 2,
    MultiSelect = 3,
    TrashView = 4,
    TrashSelect = 5,
    TrashFolder = 6,
    PlacesView = 7,
    SearchView = 8
};

// The file manager's one window: the list of a folder's entries, the soft keys and the options
// menus. Its slots are invoked by name from the menus; a slot that changes the file system
// starts an Operation, asks its questions with popups and shows what came of it.
class fileDialog : public ZPopup, public Asker
{
    Q_OBJECT
public:
    // Reads the command line from the application object, which must exist first.
    fileDialog();
    ~fileDialog() override;

    // A row of the Places view: what it is called, the folder it enters, what it holds.
    struct PlaceRow
    {
        QString name, path, description;
    };

    void showDir(const QString &path, int mode);
    void rebuildMenu(int newMode);
    QString currentItemName() { return list->text(list->currentItem()); }
    bool isValidName(const QString &name);
    QStringList collectCheckedNames();

    // Read-only views of the state, for those who watch the window (the tests among them).
    const QString &currentDirectory() const { return currentDir; }
    const QString &pendingSource() const { return sourcePath; }
    const QStringList &collectedNames() const { return selectedNames; }
    const QString &filter() const { return nameFilter; }
    int browseMode() const { return mode; }
    bool isMultiPending() const { return multiPending; }
    int nameColumn() const { return textColumn; }
    ZListBox *entryList() const { return list; }
    ZOptionsMenu *mainMenu() const { return optionsMenu; }
    ZOptionsMenu *manageSubmenu() const { return manageMenu; }

public slots:
    void rename();
    void del();
    void copy() { firstStep(PickCopyTarget); }
    void move() { firstStep(PickMoveTarget); }
    void multi_del();
    void multi_copy() { multiFirstStep(PickCopyTarget); }
    void multi_move() { multiFirstStep(PickMoveTarget); }
    void back();
    void copy_to() { secondStep(OperationPlan::Copy); }
    void move_to() { secondStep(OperationPlan::Move); }
    void cancel();
    void createDir();
    void multiSelect() { showDir(currentDir, mode == TrashView ? TrashSelect : MultiSelect); }
    void multiSelectAll() { list->checkAll(true); }
    void multiSelectNon() { list->checkAll(false); }
    void quit_app() { QCoreApplication::quit(); }
    void about();
    void obj_selected(int index);
    void details();
    void undo() { takeBack(&Operation::undo); }
    // The highlighted entry, or the checked ones, to the trash; the trash and what it offers.
    void toTrash();
    void multi_toTrash();
    void goToTrash();
    void restore();
    void trashDelete();
    void emptyTrash();
    // Places, and the eject of the highlighted one.
    void goToPlaces();
    void eject();
    // Search below the folder shown, and the folder of the highlighted result.
    void goToSearch();
    void goToFolder();
    // At start-up: an operation that the program did not live to finish is reported, and what
    // of it was done may be taken back.
    void reportInterrupted() { takeBack(&Operation::reportInterrupted); }

private:
    // Asker: an operation's questions, worded and asked with popups.
    QString askName(NameFor what, const QString &folder, const QString &current,
                    const QString &offered, int selected) override;
    bool wait(Wait what, const std::function<void(const std::function<bool()> &)> &work,
              const std::function<void(bool)> &pause) override;
    bool confirm(const OperationPlan &plan, const OperationPlan::Look &look) override;
    bool leaveOutTooLarge(int count, const QStringList &first, qint64 limit) override;
    bool goOnWithoutRoom(qint64 needed, qint64 free) override;
    std::optional<bool> emptyTrashForRoom(qint64 needed, qint64 free, int entries,
                                          qint64 bytes) override;
    bool confirmDiscard(Discard what, int entries, qint64 bytes, const QString &path) override;
    std::optional<ForNames> chooseForNames(int count, const QStringList &first) override;
    std::optional<OperationPlan::Resolution> chooseForExisting(int count) override;
    bool replaceForGood(int count, const QString &why) override;
    bool replace(const QString &destination) override;
    bool keepLinkApart(const QString &destination) override;
    void refuse(Refusal why) override;
    bool confirmUndo(const Journal::Operation &last, int fromTheTrash, int leftTheTrash) override;
    bool interrupted(const Journal::Operation &last, int done, int putBack) override;

    // Runs one operation, its questions under the title of titleKey and its commands behind one
    // wait popup whose stop question says what a stop leaves for `stopping`; then shows what
    // came of it: failures, a stop, what could not be taken back. A stop of what is no copy, move
    // or delete says what it leaves in the catalogue's stopKey.
    Operation::Result perform(const char *titleKey, OperationPlan::Kind stopping, bool several,
                              const std::function<Operation::Result(Operation &)> &what,
                              const char *stopKey = nullptr);
    void takeBack(Operation::Result (Operation::*how)());
    void followOutsideChanges(const QByteArrayList &names);
    void rowHeld(int index);
    void followRemoval();
    void setRowLayout(int newMode);
    // The trash view: the entries of every trash, watched for what other programs do there.
    void showTrash(int newMode);
    void followTrashChanges();
    // The trash's rows the user chose: the highlighted one, or in TrashSelect the checked ones.
    QVector<Trash::Item> chosenTrashItems() const;
    void trashSelected(int index);
    void trashDetails();
    void showPlaces();
    void placeSelected(int index);
    void placeDetails();
    void noteShownMount();
    void followMounts();
    bool leaveForPlaces();
    void showSearch();
    void showSearchLine();
    void followSearch();
    void endSearch();
    QString resultPath(int row) const;
    QString resultFolder(int row) const;
    void searchSelected(int index);
    void recheckResult(const QString &path, const QString &renamedTo = QString());
    void showMerged(std::vector<SearchHit> hits);
    QString childPath(const QString &name) const;
    void firstStep(int pickMode);
    void multiFirstStep(int pickMode);
    void secondStep(OperationPlan::Kind kind);

    RES_ICON_Reader iconReader;
    int argc = 0;
    char **argv = nullptr;
    int textColumn = 1;
    ZListBox *list = nullptr;
    ZSoftKey *softKey = nullptr;
    ZOptionsMenu *optionsMenu = nullptr;
    ZOptionsMenu *manageMenu = nullptr;
    ZOptionsMenu *m_goToMenu = nullptr;
    QString currentDir = QStringLiteral("/");
    QString sourcePath = QStringLiteral("");
    QStringList selectedNames;
    QString nameFilter;
    LanguageCatalog *catalog = nullptr;
    std::unique_ptr<Texts> m_texts; // the program's sentences, from the catalogue
    QString m_operationTitle; // of the operation that asks
    OperationPlan::Kind m_stopping = OperationPlan::Delete; // what a stop of it leaves
    QString m_stopText; // the stop question, so worded
    // The entries of a pending copy or move as they were when the user picked them.
    QVector<EntryIdentity> m_chosen;
    int mode = -1;
    bool multiPending = false;
    std::unique_ptr<NameFilter> m_compiledFilter; // nameFilter, compiled once
    FolderWatch *m_folderWatch = nullptr;
    FolderEntries *m_entries = nullptr; // the rows the list shows, which changes follow
    QString m_watchedDir;
    QByteArray m_catalogBase; // the executable's own path, which the catalogue borrows
    std::unique_ptr<Journal> m_journal; // what the last ten operations did, to undo them
    bool m_canUndo = false;
    bool m_menuHasUndo = false;
    TrashContents *m_trash = nullptr; // the rows of the trash view, which the list owns
    QString m_beforeTrash; // the folder shown before it, to return to
    QString m_trashFolderTop; // the folder in a trash that TrashFolder entered
    QList<FolderWatch *> m_trashWatches;
    MountWatch *m_mountWatch = nullptr;
    QVector<Places::Place> m_places; // between Home and "/" in the Places view
    QVector<PlaceRow> m_placeRows;
    QString m_beforePlaces; // the folder shown before Places, to return to
    QByteArray m_shownMount; // the mount point of the folder shown, when it was listed
    QString m_shownPlace; // and what it is called
    std::unique_ptr<Search> m_search; // the walk, while the results are shown
    std::unique_ptr<SearchResults> m_results;
    std::vector<SearchHit> m_searchBacklog; // found, not yet shown
    bool m_searchEnded = false;
    bool m_sliceDue = false; // the next slice of the backlog is on its way
    size_t m_sliceSize = 4096;
    QString m_searchStart, m_searchText;
};
