// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/filedialog.h"

#include "core/folder/folderentries.h"
#include "core/folder/folderwatch.h"
#include "core/folder/mountwatch.h"
#include "core/folder/search.h"
#include "core/names/filename.h"
#include "lang/formats.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/zapplication.h"
#include "platform/zglobal.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "platform/zoptionsmenu.h"
#include "platform/zsoftkey.h"
#include "runner/failurereport.h"
#include "runner/operationrunner.h"

#include <QApplication>
#include <QTimer>

fileDialog::fileDialog()
    : ZPopup(ZPopup::MainWindow, nullptr, nullptr, true, 0, 0)
{
    if (auto *app = qobject_cast<ZApplication *>(QCoreApplication::instance())) {
        argc = app->argc();
        argv = app->argv();
    }
    // The catalogue lies beside the real executable, however the program was started: by its
    // bare name through PATH, or through a symbolic link.
    m_catalogBase = FileName::toBytes(QCoreApplication::applicationFilePath());
    catalog = new LanguageCatalog(m_catalogBase.isEmpty() ? nullptr : m_catalogBase.constData());
    m_texts = std::make_unique<Texts>(*catalog);

    setTitle(catalog->lookup("BR_FILEMANAGER"));
    // The catalogue has read the platform's language setting: the platform's texts follow it.
    setPlatformLanguage(QByteArray::fromStdString(catalog->languageCode()));
    setTitleIcon(iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true));
    Formats::useCatalogue(*catalog);

    // The start folder is a path: kept exactly, whatever bytes it holds.
    if (argc > 1)
        currentDir = FileName::fromBytes(argv[1]);
    if (argc > 2)
        nameFilter = decodeUtf8(argv[2]);
    m_compiledFilter = std::make_unique<NameFilter>(nameFilter);

    list = new ZListBox(QStringLiteral("%I%M"), this, 0, 40);
    insertChild(list, -1);

    softKey = getSoftKey();
    softKey->setClickedSlot(ZSoftKey::Right, this, SLOT(back()));
    softKey->setText(ZSoftKey::Left,
                     QApplication::translate("fileDialog", "TXT_RID_SOFTKEY_OPTIONS", "Options"),
                     0);
    softKey->setText(ZSoftKey::Right,
                     QApplication::translate("fileDialog", "TXT_RID_SOFTKEY_BACK", "Back"), 0);
    softKey->setTextForOptMenuHide(
            QApplication::translate("fileDialog", "TXT_RID_SOFTKEY_OPTIONS", "Options"));
    softKey->setTextForOptMenuShow(
            QApplication::translate("fileDialog", "TXT_RID_SOFTKEY_SELECT", "Select"),
            QApplication::translate("fileDialog", "TXT_RID_OPTION_CANCEL", "Cancel"));

    // Changes that other programs make to the folder on screen show by themselves.
    m_folderWatch = new FolderWatch(this);
    connect(m_folderWatch, &FolderWatch::changed, this, &fileDialog::followOutsideChanges);
    connect(m_folderWatch, &FolderWatch::gone, this, &fileDialog::followRemoval);
    m_mountWatch = new MountWatch(this);
    connect(m_mountWatch, &MountWatch::changed, this, &fileDialog::followMounts);
    // Not under a popup, nor while a command of ours runs: then later.
    m_folderWatch->setBusy(
            [] { return QApplication::activeModalWidget() || QApplication::activePopupWidget(); });

    const QRect contentRect = ZGlobal::getContentR(false);
    optionsMenu = new ZOptionsMenu(contentRect, this, nullptr, 0, 55);
    manageMenu = new ZOptionsMenu(contentRect, this, nullptr, 0, 55);
    m_goToMenu = new ZOptionsMenu(contentRect, this, nullptr, 0, 55);

    m_journal = std::make_unique<Journal>();
    const std::optional<Journal::Operation> last = m_journal->last();
    m_canUndo = last && last->finished && last->didSomething();

    showDir(currentDir, Browse);

    QObject::connect(list, SIGNAL(selected(int)), this, SLOT(obj_selected(int)));
    connect(list, &ZListBox::held, this, &fileDialog::rowHeld);
    // Once the window is on the screen, so that the question shows over it.
    if (last && !last->finished)
        QTimer::singleShot(0, this, [this] { whenOnScreen([this] { reportInterrupted(); }); });
}

fileDialog::~fileDialog()
{
    delete catalog;
}

Operation::Result fileDialog::perform(const char *titleKey, OperationPlan::Kind stopping,
                                      bool several,
                                      const std::function<Operation::Result(Operation &)> &what,
                                      const char *stopKey)
{
    const QString title = m_operationTitle = (*m_texts)(titleKey);
    m_stopping = stopping;
    m_stopText = m_texts->stopQuestion(stopping, stopKey);
    auto runner = std::make_unique<OperationRunner>(
            title, m_stopText, several, [this](CommandRunner::Shows shows, const QString &entry) {
                const Texts::Running running = m_texts->whileRunning(shows, entry);
                return OperationRunner::Shown{ running.title, running.text, running.stopText };
            });
    Operation operation(*this, *runner, *m_journal);
    const Operation::Result result = what(operation);
    runner.reset(); // what follows shows on its own
    if (result.undoable) {
        m_canUndo = *result.undoable;
        rebuildMenu(mode);
    }
    if (!result.failures.isEmpty())
        FailureReport::show(result.failures, title);
    const QString info = QStringLiteral("info_pop.bmp");
    if (!result.notDone.isEmpty())
        ZMessageDlg::inform(title, m_texts->notDone(stopping, result.notDone), info);
    if (!result.notChosen.isEmpty())
        ZMessageDlg::inform(title, m_texts->notChosen(result.notChosen), info);
    if (result.stopped)
        ZMessageDlg::inform(
                title, m_texts->stopped(result.done, result.entries, result.stillWriting), info);
    if (!result.notTakenBack.isEmpty())
        ZMessageDlg::inform(title, m_texts->notTakenBack(result.notTakenBack), info);
    return result;
}

void fileDialog::about()
{
    ZMessageDlg::inform(catalog->lookup("BR_ABOUT"), m_texts->about(),
                        QStringLiteral("info_pop.bmp"));
}
