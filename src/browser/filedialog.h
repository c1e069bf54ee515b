#pragma once

#include "core/operation/journal.h"
#include "core/operation/operationplan.h"
#include "platform/res_icon_reader.h"
#include "platform/zpopup.h"

#include <QStringList>

#include <functional>
#include <memory>

class FolderListing;
class FolderWatch;
class LanguageCatalog;
class NameFilter;
class OperationRunner;
class ZListBox;
class ZOptionsMenu;
class ZSoftKey;

// The listing mode of the window.
enum BrowseMode { Browse = 0, PickCopyTarget = 1, PickMoveTarget = 2, MultiSelect = 3 };

// The file manager's one window: the list of a folder's entries, the soft keys and the options
// menus. Its slots are invoked by name from the menus.
class fileDialog : public ZPopup
{
    Q_OBJECT
public:
    // Reads the command line from the application object, which must exist first.
    fileDialog();
    ~fileDialog() override;

    void showDir(const QString &path, int mode);
    void rebuildMenu(int newMode);
    QString currentItemName();
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
    void copy();
    void move();
    void multi_del();
    void multi_copy();
    void multi_move();
    void back();
    void copy_to();
    void move_to();
    void cancel();
    void createDir();
    void multiSelect();
    void multiSelectAll();
    void multiSelectNon();
    void quit_app();
    void about();
    void obj_selected(int index);
    void details();
    void undo();
    // At start-up: an operation that the program did not live to finish is reported, and what
    // of it was done may be taken back.
    void reportInterrupted();

private:
    void whenOnScreen(void (fileDialog::*then)(), int patience);
    void followOutsideChanges();
    void followRemoval();
    void setRowLayout(int newMode);
    void appendRow(const QString &name, bool entry, const QPixmap &icon);
    QString childPath(const QString &name) const;
    static bool isListable(const QString &folder);
    static QString nearestListableAbove(const QString &folder);
    bool askQuestion(const QString &title, const QString &text);
    bool askOverTheWork(OperationRunner &runner, const QString &title, const QString &text);
    void showError(const char *key);
    QString stopQuestion(OperationPlan::Kind kind) const;
    bool runCommand(OperationRunner &runner, const QString &title, const QString &text,
                    const QByteArray &command);
    // What the user decided before a copy or move: one answer for the entries that exist at the
    // destination, and the entries that get no command since their names cannot be stored there.
    struct Decision
    {
        OperationPlan::Resolution resolution = OperationPlan::DecideEach;
        QStringList unstorable;
    };
    // What the wait popup says, when not "please wait".
    bool whileWaiting(const std::function<void(const std::function<bool()> &)> &work,
                      const QString &text = QString());
    bool decideBeforeTheWork(const OperationPlan &plan, const QString &title,
                             const QString &question, Decision *decision);
    bool runStep(OperationRunner &runner, const OperationPlan::Step &step,
                 const QString &questionTitle, const QString &runnerTitle,
                 const QString &runnerText,
                 OperationPlan::Resolution resolution = OperationPlan::DecideEach,
                 bool remember = true);
    void runWhole(OperationRunner &runner, const OperationPlan::Step &step,
                  const QString &questionTitle, const QString &runnerTitle,
                  const QString &runnerText, OperationPlan::Resolution resolution, bool remember);
    void replaceEntry(OperationRunner &runner, const OperationPlan::Step &step,
                      const QString &questionTitle, const QString &runnerTitle,
                      const QString &runnerText, OperationPlan::Resolution resolution,
                      bool remember);
    void runInside(OperationRunner &runner, const OperationPlan::Step &step,
                   const QString &questionTitle, const QString &runnerTitle,
                   const QString &runnerText, OperationPlan::Resolution resolution, bool madeHere);
    void showStopped(const OperationRunner &runner, const QString &title, int entries);
    void runEntries(const OperationPlan &plan, const QString &title, const QString &doing,
                    const Decision &decision);
    void journalEnded();
    void takeBack(const Journal::Operation &operation);
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
    QString currentDir;
    QString sourcePath;
    QStringList selectedNames;
    QString nameFilter;
    LanguageCatalog *catalog = nullptr;
    int mode = -1;
    bool multiPending = false;
    std::unique_ptr<NameFilter> m_compiledFilter; // nameFilter, compiled once
    FolderWatch *m_folderWatch = nullptr;
    const FolderListing *m_listing = nullptr; // the rows of the folder's entries, in the list
    QString m_watchedDir;
    QByteArray m_catalogBase; // the executable's own path, which the catalogue borrows
    std::unique_ptr<Journal> m_journal; // what the last operation did, to undo it
    bool m_canUndo = false;
    bool m_menuHasUndo = false;
};
