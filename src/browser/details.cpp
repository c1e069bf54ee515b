// SPDX-License-Identifier: GPL-3.0-or-later
// The details of the highlighted entry, or of the checked ones.
#include "browser/filedialog.h"

#include "core/folder/entrydetails.h"
#include "lang/languagecatalog.h"
#include "lang/texts.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "runner/workwait.h"

void fileDialog::details()
{
    if (mode == TrashView || mode == TrashSelect)
        return trashDetails();
    if (mode == PlacesView)
        return placeDetails();
    QStringList names = mode == MultiSelect ? list->checkedTexts() : QStringList(currentItemName());
    names.removeAll(QString());
    names.removeAll(QStringLiteral(".."));
    if (names.isEmpty() && mode != MultiSelect)
        return;
    QList<EntryDetails> found;
    if (!WorkWait::run(catalog->lookup("BR_PLEASEWAIT"),
                       [&](const std::function<bool()> &keepGoing) {
                           for (const QString &name : names)
                               found << EntryDetails::of(childPath(name), keepGoing);
                       }))
        return;
    QString text = mode == MultiSelect ? m_texts->details(found)
                                       : m_texts->details(names.first(), found.first());
    // A result says where below the search's start it is.
    if (mode == SearchView)
        text += u'\n' + m_texts->foundIn(resultFolder(list->currentItem()));
    ZMessageDlg::inform(catalog->lookup("BR_DETAILS"), text, QStringLiteral("info_pop.bmp"));
}
