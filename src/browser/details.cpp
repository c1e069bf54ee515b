// The details of the highlighted entry, or of the checked ones; the wait popup of a long count.
#include "browser/filedialog.h"

#include "core/folder/entrydetails.h"
#include "core/names/filename.h"
#include "core/shell/progresscounter.h"
#include "lang/languagecatalog.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "platform/zsoftkey.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

// A long walk (the look before a copy, a folder's size) shows a wait popup after a moment, with
// the time that has passed; its right soft key stops the walk. False when it was stopped.
bool fileDialog::whileWaiting(const std::function<void(const std::function<bool()> &)> &work,
                              const QString &text)
{
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<ZPopup> waiting;
    QLabel *elapsed = nullptr;
    bool stopped = false;
    work([&] {
        if (!waiting && clock.elapsed() > 300) {
            waiting = std::make_unique<ZPopup>(ZPopup::Dialog);
            waiting->setInstructText(text.isEmpty() ? catalog->lookup("BR_PLEASEWAIT") : text);
            waiting->setTitleIcon(QStringLiteral("recur_enable_pop.bmp"));
            elapsed = new QLabel(waiting.get());
            elapsed->setContentsMargins(8, 8, 8, 8);
            waiting->insertChild(elapsed);
            waiting->getSoftKey()->setText(
                    ZSoftKey::Right,
                    QApplication::translate("deathDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
            connect(waiting.get(), &QDialog::rejected, this, [&stopped] { stopped = true; });
            waiting->show();
        }
        if (waiting) {
            elapsed->setText(ProgressCounter::formatElapsed(clock.elapsed()));
            QCoreApplication::processEvents();
        }
        return !stopped;
    });
    return !stopped;
}

void fileDialog::details()
{
    QStringList names;
    if (mode == MultiSelect) {
        for (const int row : list->itemsChecked()) {
            if (list->text(row) != QLatin1String(".."))
                names << list->text(row);
        }
    } else if (const QString name = currentItemName(); !name.isEmpty() && name != "..") {
        names << name;
    }
    if (names.isEmpty() && mode != MultiSelect)
        return;
    QList<EntryDetails> found;
    if (!whileWaiting([&](const std::function<bool()> &keepGoing) {
            for (const QString &name : names)
                found << EntryDetails::of(childPath(name), keepGoing);
        }))
        return;
    const auto size = [](qint64 bytes) { return ProgressCounter::formatBytes(bytes); };
    // A count that missed what it could not read says that it is at least.
    const auto counted = [&](qint64 bytes, bool whole) {
        return (whole ? QString() : catalog->lookup("BR_AT_LEAST")) + size(bytes);
    };
    QString text;
    if (mode == MultiSelect) {
        qint64 total = 0;
        bool whole = true;
        for (const EntryDetails &entry : found) {
            total += entry.size;
            whole = whole && entry.sizeComplete;
        }
        text = catalog->lookup("BR_CHECKED") + ProgressCounter::formatCount(names.size()) + u'\n'
               + catalog->lookup("BR_SIZE") + counted(total, whole);
    } else {
        const EntryDetails &entry = found.first();
        const char *type[] = { "BR_OTHER_TYPE", "BR_FOLDER_TYPE", "BR_FILE_TYPE", "BR_LINK_TYPE",
                               "BR_OTHER_TYPE" };
        // One line for the name, whatever it holds: a line break shows as a sign.
        QString name = names.first();
        name.replace(u'\n', QChar(0x21b5));
        text = catalog->lookup("BR_CUR_NAME") + name + u'\n' + catalog->lookup("BR_TYPE")
               + catalog->lookup(type[entry.type])
               + (entry.type == EntryDetails::Link ? entry.linkTarget : QString()) + u'\n'
               + catalog->lookup("BR_SIZE") + counted(entry.size, entry.sizeComplete) + u'\n'
               + catalog->lookup("BR_CHANGED") + ProgressCounter::formatDateTime(entry.changed)
               + u'\n' + catalog->lookup("BR_RIGHTS") + entry.permissions + u' ' + entry.owner
               + u' ' + entry.group + u'\n' + catalog->lookup("BR_SPACE") + size(entry.freeBytes)
               + QStringLiteral(" / ") + size(entry.totalBytes);
    }
    auto *notice = new ZMessageDlg(catalog->lookup("BR_DETAILS"), text, ZMessageDlg::Notice, 0,
                                   nullptr, nullptr, true, 0);
    notice->setTitleIcon(QStringLiteral("info_pop.bmp"));
    notice->exec();
    delete notice;
}
