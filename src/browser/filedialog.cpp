#include "browser/filedialog.h"

#include "browser/folderlisting.h"
#include "core/folder/folderwatch.h"
#include "core/names/filename.h"
#include "core/shell/progresscounter.h"
#include "lang/languagecatalog.h"
#include "platform/zapplication.h"
#include "platform/zglobal.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "platform/zoptionsmenu.h"
#include "platform/zsoftkey.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>
#include <QWindow>

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
    sourcePath = QStringLiteral("");
    currentDir = QStringLiteral("/");
    nameFilter = QString();

    setTitle(catalog->lookup("BR_FILEMANAGER"));
    // The catalogue has read the platform's language setting: the platform's texts follow it.
    setPlatformLanguage(QByteArray::fromStdString(catalog->languageCode()));
    setTitleIcon(iconReader.getIcon(QStringLiteral("fm_folder_small.bmp"), true));
    ProgressCounter::setUnits(catalog->lookup("BR_BYTE_UNITS").split(u' ', Qt::SkipEmptyParts));
    ProgressCounter::setLocale(QLocale(catalog->lookup("BR_LOCALE")));

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

    const QRect contentRect = ZGlobal::getContentR(false);
    optionsMenu = new ZOptionsMenu(contentRect, this, nullptr, 0, 55);
    manageMenu = new ZOptionsMenu(contentRect, this, nullptr, 0, 55);

    m_journal = std::make_unique<Journal>();
    const std::optional<Journal::Operation> last = m_journal->last();
    m_canUndo = last && last->finished && last->count(Journal::Done) > 0;

    showDir(currentDir, Browse);

    QObject::connect(list, SIGNAL(selected(int)), this, SLOT(obj_selected(int)));
    // Once the window is on the screen, so that the question shows over it.
    if (last && !last->finished)
        QTimer::singleShot(0, this, [this] { whenOnScreen(&fileDialog::reportInterrupted, 40); });
}

// A window shown is not at once where the window system puts it: what opens over it waits until
// it is (for a while), so that it is placed over the window and not where the window was meant
// to be.
void fileDialog::whenOnScreen(void (fileDialog::*then)(), int patience)
{
    if (patience > 0 && isVisible() && !(windowHandle() && windowHandle()->isExposed())) {
        QTimer::singleShot(50, this, [this, then, patience] { whenOnScreen(then, patience - 1); });
        return;
    }
    (this->*then)();
}

fileDialog::~fileDialog()
{
    delete catalog;
}

void fileDialog::quit_app()
{
    QApplication::quit();
}

// A yes/no question: only the left key, yes, counts as yes.
bool fileDialog::askQuestion(const QString &title, const QString &text)
{
    auto *question
            = new ZMessageDlg(title, text, ZMessageDlg::Question, 0, nullptr, nullptr, true, 0);
    const int answer = question->exec();
    delete question;
    return answer == 1;
}

void fileDialog::about()
{
    const QString title = catalog->lookup("BR_ABOUT");
    const QString text
            = catalog->lookup("BR_FILEMANAGER")
              + QApplication::translate("fileDialog",
                                        " for the phone: browse, open, create, rename, delete, "
                                        "copy and move files and folders.\n"
                                        "Free software, built on Qt.");
    auto *box = new ZMessageDlg(title, text, ZMessageDlg::Notice, 0, nullptr, nullptr, true, 0);
    box->setTitleIcon(QStringLiteral("info_pop.bmp"));
    box->exec();
    delete box;
}
