// Creating a folder, and renaming and deleting the highlighted entry.
#include "browser/filedialog.h"

#include "browser/fileops/operationrunner.h"
#include "core/names/filename.h"
#include "core/names/namecheck.h"
#include "core/shell/shellcommand.h"
#include "lang/languagecatalog.h"
#include "platform/zsinglecapturedlg.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// The text the user accepted, as it stands, or a null string when the dialog was cancelled. The
// entry starts with the given text, its first `selected` characters selected, so that typing
// replaces them and the arrow keys edit it.
QString askName(const QString &title, const QString &text, const QString &offered = QString(),
                int selected = 0)
{
    auto *dialog = new ZSingleCaptureDlg(title, text, 0, nullptr, "ZSingleCaptureDlg", true, 0, 0);
    dialog->getLineEdit()->setText(offered);
    dialog->getLineEdit()->setSelection(0, selected);
    QString name;
    if (dialog->exec() == 1)
        name = dialog->getResultText();
    delete dialog;
    return name;
}

} // namespace

bool fileDialog::isValidName(const QString &name)
{
    return NameCheck::isValid(name);
}

QString fileDialog::childPath(const QString &name) const
{
    return FileName::join(currentDir, name);
}

void fileDialog::createDir()
{
    // A refused name is offered again as typed, to be mended rather than typed anew.
    QString name, typed;
    for (;;) {
        typed = askName(catalog->lookup("BR_MKDIR"), catalog->lookup("BR_CUR_DIR") + currentDir,
                        typed, int(typed.size()));
        if (typed.isNull())
            return;
        name = NameCheck::trimmed(typed);
        if (isValidName(name))
            break;
        showError("BR_INVALID_NAME");
    }
    // A folder there afterwards is success, also one that was there before; only one that this
    // made can be taken back.
    const QString folder = childPath(name);
    const QByteArray path = FileName::toBytes(folder);
    struct stat info;
    const bool remember = !OperationPlan::entryAt(folder, &info);
    if (remember)
        m_journal->begin(Journal::NewFolder, currentDir);
    const int entry = remember ? m_journal->intend(QString(), folder) : -1;
    const int made = ::mkdir(path.constData(), 0777);
    const int error = errno;
    m_journal->finish(entry, made == 0);
    if (remember)
        journalEnded();
    if (::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
        showDir(currentDir, mode);
        return;
    }
    std::fprintf(stderr, "filemanager: the folder %s was not created: %s\n", path.constData(),
                 std::strerror(made == 0 ? ENOTDIR : error));
    showError("BR_MKDIR_ERROR");
}

void fileDialog::rename()
{
    const QString name = currentItemName();
    if (name.isEmpty() || name == QLatin1String(".."))
        return;
    sourcePath = childPath(name);
    struct stat entry;
    const bool isFolder = ::stat(FileName::toBytes(sourcePath).constData(), &entry) == 0
                          && S_ISDIR(entry.st_mode);
    // A refused name is offered again as typed, to be mended rather than typed anew.
    QString offered = name, newPath;
    int selected = NameCheck::baseLength(name, isFolder);
    for (;;) {
        const QString typed = askName(catalog->lookup("BR_RENAME"),
                                      catalog->lookup("BR_CUR_DIR") + currentDir + u'\n'
                                              + catalog->lookup("BR_CUR_NAME") + name,
                                      offered, selected);
        // Cancelled, or accepted as offered: nothing to do, even for a name with blanks at its
        // ends, which trimming would otherwise rename or refuse.
        if (typed.isNull() || typed == name)
            return;
        const QString newName = NameCheck::trimmed(typed);
        if (newName == name)
            return;
        offered = typed;
        selected = int(typed.size());
        if (!isValidName(newName)) {
            showError("BR_INVALID_NAME");
            continue;
        }
        newPath = childPath(newName);
        // mv would replace the other entry, or move ours into it. The same entry under another
        // case, on a file system that ignores case, is a real rename.
        struct stat oldInfo, newInfo;
        if (OperationPlan::entryAt(newPath, &newInfo)
            && !(OperationPlan::entryAt(sourcePath, &oldInfo) && oldInfo.st_dev == newInfo.st_dev
                 && oldInfo.st_ino == newInfo.st_ino)) {
            showError("BR_NAME_EXISTS");
            continue;
        }
        break;
    }
    const std::optional<QByteArray> command
            = ShellCommand::form(R"(mv "%s" "%s")", { sourcePath, newPath });
    m_journal->begin(Journal::Rename, currentDir);
    OperationRunner runner(catalog->lookup("BR_RENAME"), stopQuestion(OperationPlan::Move), false,
                           m_journal->descriptor());
    const int record = m_journal->intend(sourcePath, newPath);
    const bool ran = runCommand(runner, QStringLiteral(""), catalog->lookup("BR_PLEASEWAIT"),
                                command.value_or(QByteArray()));
    m_journal->finish(record, ran && runner.succeeded());
    journalEnded();
    if (ran)
        showDir(currentDir, mode);
    showStopped(runner, catalog->lookup("BR_RENAME"), 1);
}

void fileDialog::del()
{
    const QString name = currentItemName();
    if (name.isEmpty() || name == QLatin1String(".."))
        return;
    sourcePath = childPath(name);
    if (askQuestion(catalog->lookup("BR_DELETE"), catalog->lookup("BR_CONFIRM_DELETE") + sourcePath
                                                          + catalog->lookup("BR_QUESTION_END"))) {
        const OperationPlan::Step step
                = OperationPlan::single(OperationPlan::Delete, sourcePath).step(0);
        const QString title = catalog->lookup("BR_DELETE");
        OperationRunner runner(title, stopQuestion(OperationPlan::Delete), false);
        if (runStep(runner, step, title, QStringLiteral(""), catalog->lookup("BR_PLEASEWAIT")))
            showDir(currentDir, Browse);
        showStopped(runner, title, 1);
    }
    sourcePath = QStringLiteral("");
}
